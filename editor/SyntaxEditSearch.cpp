// Search and replace over the editor's lines with the literal or the regular-expression engine.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "editor/TextLines.h"
#include "text/URESearch.h"
#include "text/UnicodeData.h"
#include "text/UTBMSearch.h"
#include <climits>
#include <memory>
#include <utility>
#include <vector>


bool TSyntaxEditCore::ReplaceLineMatches(int y, const std::vector<std::pair<int, int>> &matches,
                                         const WideString &replace)
{
    if (matches.empty())
        return true;
    if (!replace.empty() && (IsSurrogate(replace.front()) || IsSurrogate(replace.back())))
        return false;
    const TWideLine line = FLines->Get(y);
    const std::u16string_view old(line.data(), line.size());
    const int length = static_cast<int>(old.size());
    auto halfAt = [&](int i) { return i >= 0 && i < length && IsSurrogate(old[static_cast<size_t>(i)]); };
    int last = 0;
    for (const auto &[start, stop] : matches) {
        if (start < last || stop <= start || stop > length || halfAt(start - 1) || halfAt(start) ||
            halfAt(stop - 1) || halfAt(stop))
            return false;
        last = stop;
    }

    // The new line, built once, and the columns each replacement one by one would meet: where the
    // match starts and ends before it is replaced, and where the caret stands after it. The text
    // before each of these places is then as it will stay, so they are counted on from the start.
    struct TPlaces {
        int Start, Stop, After;
    };
    std::vector<TPlaces> places;
    places.reserve(matches.size());
    WideString removed; // the matched texts one after another: the line's old text is gone after the write
    const int replaceLength = static_cast<int>(replace.size());
    int64_t size = length;
    for (const auto &[start, stop] : matches)
        size += replaceLength - (stop - start);
    WideString &text = EditBuffer(static_cast<size_t>(size));
    const int tabSize = FTabSize;
    int column = 0;
    last = 0;
    for (const auto &[start, stop] : matches) {
        const std::u16string_view before = old.substr(static_cast<size_t>(last), static_cast<size_t>(start - last));
        const std::u16string_view match = old.substr(static_cast<size_t>(start), static_cast<size_t>(stop - start));
        text.append(before);
        text.append(replace);
        removed.append(match);
        const int startColumn = TColumnMap::ColumnAfter(before, column, tabSize);
        column = TColumnMap::ColumnAfter(replace, startColumn, tabSize);
        places.push_back({startColumn, TColumnMap::ColumnAfter(match, startColumn, tabSize), column});
        last = stop;
    }
    text.append(old.substr(static_cast<size_t>(last)));
    const int firstAt = matches.front().first;
    {
        // As for a selection replaced: the colouring follows the line change itself.
        const bool inSetSelText = FInSetSelText;
        FInSetSelText = true;
        TScopeGuard restore([&] { FInSetSelText = inSetSelText; });
        FLines->BeginUpdate();
        TScopeGuard onError([&] { FLines->EndUpdate(); });
        InvalidateFromLine(y);
        FEditHintLine = y;
        FEditHint = {firstAt, last, last + static_cast<int>(size - length)};
        TScopeGuard done([&] { FEditHintLine = -1; });
        PutEdited(y, text, firstAt);
        onError.Dismiss();
        FLines->EndUpdate();
    }

    // The records as the replacements one by one make them: a caret move selecting the match
    // (none when it is selected already), then the replacement.
    auto stateOf = [](TTextPoint caret, TTextPoint blockBegin, TTextPoint blockEnd) {
        TUndoRecord r;
        r.CaretBefore = caret;
        r.BlockBeginBefore = blockBegin;
        r.BlockEndBefore = blockEnd;
        return r;
    };
    TTextPoint caret = GetCaretXY(), blockBegin = FBlockBegin, blockEnd = FBlockEnd;
    int at = firstAt, removedAt = 0;
    last = firstAt;
    for (size_t i = 0; i < matches.size(); ++i) {
        const auto [start, stop] = matches[i];
        at += start - last;
        last = stop;
        const TTextPoint startPoint{places[i].Start, y}, stopPoint{places[i].Stop, y}, after{places[i].After, y};
        FEditAtFirst = FEditAtLast = {-1, -1};
        if (!(caret == stopPoint && blockBegin == startPoint && blockEnd == stopPoint))
            AddUndo(ukCaret, stateOf(caret, blockBegin, blockEnd), WideString(), WideString(), stopPoint, startPoint,
                    stopPoint);
        FEditAtFirst = FEditAtLast = {at, y};
        AddUndo(ukReplace, stateOf(stopPoint, startPoint, stopPoint),
                removed.substr(static_cast<size_t>(removedAt), static_cast<size_t>(stop - start)), replace, after,
                startPoint, after);
        removedAt += stop - start;
        at += replaceLength;
        caret = blockBegin = blockEnd = after;
    }
    SetCaretXY(caret);
    FBlockBegin = FBlockEnd = caret;
    return true;
}

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
        // Replace all forward writes each line once (a long line would be copied per match);
        // a replacement with line breaks moves the rest of the line, so it goes one by one.
        const bool wholeLines = replaceAll && !prompt && !backward && replaceBreaks == 0;
        std::vector<std::pair<int, int>> lineMatches;
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
            if (wholeLines) {
                lineMatches.clear();
                for (int k = 0; k < n; ++k) {
                    int start0, stop0;
                    engine->GetResult(k, start0, stop0);
                    if (!((line == scopeStart.Y && start0 < scopeStartIndex) ||
                          (line == scopeEnd.Y && stop0 > scopeEndIndex)))
                        lineMatches.emplace_back(start0, stop0);
                }
                if (ReplaceLineMatches(y, lineMatches, replace)) {
                    count += static_cast<int>(lineMatches.size());
                    replaced = replaced || !lineMatches.empty();
                    continue;
                }
            }
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
