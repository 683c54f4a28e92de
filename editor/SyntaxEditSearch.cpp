// Search and replace over the editor's lines with the literal or the regular-expression engine.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "editor/TextLines.h"
#include "text/URESearch.h"
#include "text/UTBMSearch.h"
#include <climits>
#include <memory>
#include <utility>
#include <vector>

namespace {
bool IsHalf(WideChar c)
{
    return c >= 0xD800 && c < 0xE000;
}
} // namespace

bool TSyntaxEditCore::ReplaceLineMatches(int y, const std::vector<std::pair<int, int>> &matches,
                                         const WideString &replace)
{
    if (matches.empty())
        return true;
    if (!replace.empty() && (IsHalf(replace.front()) || IsHalf(replace.back())))
        return false;
    // The line as it was, kept past the write that frees it.
    const TWideLine line = FLines->Get(y);
    const WideString old(line.data(), line.size());
    const int length = static_cast<int>(old.size());
    auto halfAt = [&](int i) { return i >= 0 && i < length && IsHalf(old[static_cast<size_t>(i)]); };
    int last = 0;
    for (const auto &[start, stop] : matches) {
        if (start < last || stop <= start || stop > length || halfAt(start - 1) || halfAt(start) ||
            halfAt(stop - 1) || halfAt(stop))
            return false;
        last = stop;
    }

    // The new line once; where each replacement starts in it.
    WideString text;
    const int replaceLength = static_cast<int>(replace.size());
    const int64_t grown = static_cast<int64_t>(matches.size()) * replaceLength;
    text.reserve(static_cast<size_t>(std::max<int64_t>(length, length + grown)));
    std::vector<int> starts;
    starts.reserve(matches.size());
    const std::u16string_view oldView(old);
    last = 0;
    for (const auto &[start, stop] : matches) {
        text.append(oldView.substr(static_cast<size_t>(last), static_cast<size_t>(start - last)));
        starts.push_back(static_cast<int>(text.size()));
        text.append(replace);
        last = stop;
    }
    text.append(oldView.substr(static_cast<size_t>(last)));

    // The records as the replacements one by one make them. Every column is measured on the
    // final line: the text before a replacement's start and end is already there as it will
    // stay; a match's end column is its start column plus the cells of the matched text.
    std::vector<TUndoRecord> records;
    records.reserve(matches.size() * 2);
    TTextPoint caret = GetCaretXY(), blockBegin = FBlockBegin, blockEnd = FBlockEnd;
    {
        // As for a selection replaced: the colouring follows the line change itself.
        const bool inSetSelText = FInSetSelText;
        FInSetSelText = true;
        TScopeGuard restore([&] { FInSetSelText = inSetSelText; });
        FLines->BeginUpdate();
        TScopeGuard onError([&] { FLines->EndUpdate(); });
        InvalidateFromLine(y);
        PutEdited(y, text, starts.front());
        onError.Dismiss();
        FLines->EndUpdate();
    }
    const TColumnMap &map = MapOf(y);
    const int tabSize = FTabSize;
    for (size_t i = 0; i < matches.size(); ++i) {
        const auto [start, stop] = matches[i];
        const int at = starts[i];
        const TTextPoint startPoint{map.CharIndexToColumn(at), y};
        const TTextPoint stopPoint{
            TColumnMap::ColumnAfter(oldView.substr(static_cast<size_t>(start), static_cast<size_t>(stop - start)),
                                    startPoint.X, tabSize),
            y};
        const TTextPoint after{map.CharIndexToColumn(at + replaceLength), y};
        TUndoRecord move;
        move.CaretBefore = caret;
        move.BlockBeginBefore = blockBegin;
        move.BlockEndBefore = blockEnd;
        if (!(caret == stopPoint && blockBegin == startPoint && blockEnd == stopPoint)) {
            move.Kind = ukCaret;
            move.CaretAfter = stopPoint;
            move.BlockBeginAfter = startPoint;
            move.BlockEndAfter = stopPoint;
            records.push_back(move);
        }
        TUndoRecord r;
        r.Kind = ukReplace;
        r.BeforeText.assign(oldView.substr(static_cast<size_t>(start), static_cast<size_t>(stop - start)));
        r.CaretBefore = stopPoint;
        r.BlockBeginBefore = startPoint;
        r.BlockEndBefore = stopPoint;
        r.AfterText = replace;
        r.CaretAfter = after;
        r.BlockBeginAfter = startPoint;
        r.BlockEndAfter = after;
        r.EditAt = r.EditAtLast = {at, y};
        records.push_back(std::move(r));
        caret = blockBegin = blockEnd = after;
    }
    for (const TUndoRecord &r : records)
        FUndoList.Add(r);
    FEditAtFirst = FEditAtLast = {-1, -1};
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
