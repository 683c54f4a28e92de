// Search and replace over the editor's lines with the literal or the regular-expression engine.
#include "editor/SyntaxEditCore.h"
#include "editor/SyntaxEditorStrings.h"
#include "editor/URESearch.h"
#include "editor/UTBMSearch.h"
#include <memory>

int TSyntaxEditCore::SearchReplace(const WideString &search, const WideString &replace, int options)
{
    if (search.empty() || LineCount() == 0)
        return 0;
    const bool backward = options & soBackward;
    bool prompt = (options & soPrompt) && OnReplaceText;
    const bool replaceMode = options & soReplace;
    bool replaceAll = options & soReplaceAll;
    const bool fromCaret = !(options & soEntireScope);
    const bool regex = options & soRegularExpression;
    const bool findMode = !replaceMode && !replaceAll;

    TTextPoint scopeStart, scopeEnd, current;
    // A scope that runs to the end of the text follows the text as replacements change it.
    bool toTextEnd = false;
    if (SelAvail() && (options & soSelectedOnly)) {
        scopeStart = MinPoint(FBlockBegin, FBlockEnd);
        scopeEnd = MaxPoint(FBlockBegin, FBlockEnd);
        // Backwards both engines start at the later end, so every line of the selection is searched.
        current = backward ? scopeEnd : scopeStart;
    } else {
        const int last = LineCount() - 1;
        scopeStart = {0, 0};
        scopeEnd = {LineDisplayLength(last), last};
        if (fromCaret && backward)
            scopeEnd = GetCaretXY();
        else
            toTextEnd = true;
        if (fromCaret && !backward)
            scopeStart = GetCaretXY();
        current = backward ? scopeEnd : scopeStart;
    }

    unsigned flags = 0;
    if (options & soMatchCase)
        flags |= sfMatchCase;
    if (options & soIgnoreNonSpacing)
        flags |= sfIgnoreNonSpacing;
    if (options & soSpaceCompress)
        flags |= sfSpaceCompress;
    if (options & soWholeWord)
        flags |= sfWholeWordOnly;

    bool bracketOpen = false;
    if (replaceAll && !prompt) {
        BeginUpdate();
        bracketOpen = true;
    }
    int count = 0;
    bool replaced = false;
    try {
        std::unique_ptr<TSearchEngine> engine;
        if (regex)
            engine = std::make_unique<TURESearch>(FLines.get());
        else
            engine = std::make_unique<TUTBMSearch>(FLines.get());
        engine->FindPrepare(search, flags);
        TUndoRecord work = SnapshotUndoState(false);
        bool done = false;
        for (int y = current.Y; !done && y >= scopeStart.Y && (toTextEnd || y <= scopeEnd.Y) && y < LineCount();
             y += backward ? -1 : 1) {
            int shift = 0;
            const WideString text = FLines->Get(y);
            engine->FindAll(text);
            const int n = engine->Count();
            for (int i = 0; i < n && !done; ++i) {
                const int k = backward ? n - 1 - i : i;
                int start, stop;
                engine->GetResult(k, start, stop);
                start += shift;
                stop += shift;
                DropColumnMap();
                const int startColumn = CharIndexToColumn(start, y);
                const int stopColumn = CharIndexToColumn(stop, y);
                // The scope's end column moves with the replacements made before it on its line.
                if ((y == scopeStart.Y && startColumn < scopeStart.X) ||
                    (!toTextEnd && y == scopeEnd.Y && stopColumn > scopeEnd.X + shift))
                    continue;
                if (!findMode)
                    work = SnapshotUndoState(false);
                ++count;
                SetCaretXY({backward ? startColumn : stopColumn, y});
                SetBlockBegin({startColumn, y});
                SetBlockEnd({stopColumn, y});
                if (findMode) {
                    UndoAddCaretMoveFrom(work);
                    done = true;
                    break;
                }
                TReplaceAction action = raReplace;
                if (prompt) {
                    action = raCancel;
                    ViewProcessMessages();
                    OnReplaceText(*this, search, replace, y, startColumn, stopColumn, action);
                    if (action == raCancel) {
                        done = true;
                        break;
                    }
                }
                if (action != raSkip) {
                    if (action == raReplaceAll) {
                        replaceAll = true;
                        prompt = false;
                        if (!bracketOpen) {
                            BeginUpdate();
                            bracketOpen = true;
                        }
                    }
                    UndoAddCaretMoveFrom(work);
                    SetSelText(replace);
                    replaced = true;
                    // Later matches of the line were found in the text before this
                    // replacement: they move by what it added or took away.
                    if (!backward)
                        shift += static_cast<int>(replace.size()) - (stop - start);
                }
                if (!replaceAll)
                    done = true;
            }
        }
        if (replaced)
            DoChange();
    } catch (...) {
        if (bracketOpen)
            EndUpdate();
        throw;
    }
    if (bracketOpen)
        EndUpdate();
    return count;
}
