// Search and replace over the editor's lines with the literal or the regular-expression engine.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "editor/TextLines.h"
#include "text/URESearch.h"
#include "text/UTBMSearch.h"
#include <climits>
#include <memory>

int TSyntaxEditCore::SearchReplace(const WideString &search, const WideString &replace, int options)
{
    TEditScope edit(*this);
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
    {
        TScopeGuard onError([&] {
            if (bracketOpen)
                EndUpdate();
        });
        std::unique_ptr<TSearchEngine> engine;
        if (regex)
            engine = std::make_unique<TURESearch>(FLines.get());
        else
            engine = std::make_unique<TUTBMSearch>(FLines.get());
        engine->FindPrepare(search, flags);
        TUndoRecord work = SnapshotUndoState(false);
        bool done = false;
        // The scope's ends as character indexes of the text before any replacement.
        const int scopeStartIndex = ColumnToCharIndex(scopeStart.X, scopeStart.Y);
        const int scopeEndIndex = toTextEnd ? INT32_MAX : ColumnToCharIndex(scopeEnd.X, scopeEnd.Y);
        std::vector<WideString> replacePieces = TextLines::Split(replace);
        const int replaceBreaks = static_cast<int>(replacePieces.size()) - 1;
        const int replaceTail = static_cast<int>(replacePieces.back().size());
        int addedLines = 0; // lines that replacements with line breaks added above the current one
        for (int line = current.Y; !done && line >= scopeStart.Y && (toTextEnd || line <= scopeEnd.Y);
             line += backward ? -1 : 1) {
            int y = line + addedLines;
            if (y < 0 || y >= LineCount())
                break;
            // Where the rest of the searched line now stands: later matches were found in the
            // text before the replacements, so they move by what each replacement changed.
            int shift = 0;
            engine->FindAll(FLines->Get(y)); // the line in place: matches are kept before anything changes
            const int n = engine->Count();
            for (int i = 0; i < n && !done; ++i) {
                const int k = backward ? n - 1 - i : i;
                int start0, stop0;
                engine->GetResult(k, start0, stop0);
                if ((line == scopeStart.Y && start0 < scopeStartIndex) || (line == scopeEnd.Y && stop0 > scopeEndIndex))
                    continue;
                const int start = start0 + shift, stop = stop0 + shift;
                DropColumnMap();
                const int startColumn = CharIndexToColumn(start, y);
                const int stopColumn = CharIndexToColumn(stop, y);
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
                    if (!backward) {
                        if (replaceBreaks == 0) {
                            shift += replaceTail - (stop0 - start0);
                        } else {
                            // The rest of the line now follows the replacement's last line.
                            y += replaceBreaks;
                            addedLines += replaceBreaks;
                            shift = replaceTail - stop0;
                        }
                    }
                }
                if (!replaceAll)
                    done = true;
            }
        }
        if (replaced)
            DoChange();
        onError.Dismiss();
    }
    if (bracketOpen)
        EndUpdate();
    return count;
}
