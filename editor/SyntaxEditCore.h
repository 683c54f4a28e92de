#pragma once
// The editor control's model: text, caret, selection, bookmarks, undo and the viewport
// arithmetic, without any painting. The widget (TCustomSyntaxEdit) derives from it and
// fills in the View* hooks; tests drive it directly.
#include "editor/ColumnMap.h"
#include "editor/LineChange.h"
#include "editor/ScanCheckpoints.h"
#include "editor/EditorTypes.h"
#include "editor/KeyStrokes.h"
#include "editor/SyntaxHighlighter.h"
#include "editor/UndoList.h"
#include <algorithm>
#include <bitset>
#include <exception>
#include <cstdint>
#include <array>
#include <map>
#include <functional>
#include <memory>

class TSyntaxEditorStrings;
class TWideStrings;
class TSyntaxEditCore;

using TIdentChars = std::bitset<256>;

struct TBookmark {
    bool IsSet = false;
    int32_t X = 0;
    int32_t Y = -1;
};

// A scroll bar's settings as the view should show them.
struct TScrollBarInfo {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Pos = 0;
    friend bool operator==(const TScrollBarInfo &, const TScrollBarInfo &) = default;
};

// Scroll-bar request codes, as the scroll bars report them.
enum TScrollCode {
    scLineUp = 0, // also line left
    scLineDown = 1, // also line right
    scPageUp = 2,
    scPageDown = 3,
    scThumbPosition = 4,
    scThumbTrack = 5,
    scTop = 6, // also left
    scBottom = 7, // also right
    scEndScroll = 8,
};

// A rectangle in pixels, right and bottom exclusive.
struct TPixelRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TPixelRect &, const TPixelRect &) = default;
};

using TNotifyEvent = std::function<void(TSyntaxEditCore &Sender)>;
using TCaretEvent = std::function<void(TSyntaxEditCore &Sender, uint32_t X, uint32_t Y)>;
using TProcessCommandEvent = std::function<void(TEditorCommand &Command, WideChar &AChar, void *Data)>;
class TFileStream;

// The bookmark settings of one editor. Showing or hiding the glyphs and moving them fire OnChange
// (the editor repaints), as its colours do; whether the keys work shows nothing.
class TBookmarkOptions {
public:
    bool EnableKeys() const { return FEnableKeys; }
    void SetEnableKeys(bool value) { FEnableKeys = value; }
    bool GlyphsVisible() const { return FGlyphsVisible; }
    void SetGlyphsVisible(bool value);
    int LeftMargin() const { return FLeftMargin; } // x of the glyphs in the gutter
    void SetLeftMargin(int value);
    std::function<void()> OnChange;

private:
    bool FEnableKeys = true;
    bool FGlyphsVisible = true;
    int FLeftMargin = 2;
};

// What to do with one match of a replace: cancel, skip it, replace it, replace it and all
// that follow without asking.
enum TReplaceAction : uint8_t { raCancel = 0, raSkip = 1, raReplace = 2, raReplaceAll = 3 };
using TReplaceTextEvent =
    std::function<void(TSyntaxEditCore &Sender, const WideString &Search, const WideString &Replace, int Line,
                       int Start, int Stop, TReplaceAction &Action)>;

// Option word of SearchReplace.
enum : int {
    soBackward = 0x0001,
    soEntireScope = 0x0002,
    soIgnoreNonSpacing = 0x0004,
    soMatchCase = 0x0008,
    soPrompt = 0x0010,
    soRegularExpression = 0x0020,
    soReplace = 0x0040,
    soReplaceAll = 0x0080,
    soSelectedOnly = 0x0100,
    soSpaceCompress = 0x0200,
    soWholeWord = 0x0400,
};

using TBookMarkEvent = std::function<void(TSyntaxEditCore &Sender, int Index, int X, int Y, bool &Allowed)>;

class TSyntaxEditCore : public ISyntaxHighlighterClient {
public:
    TSyntaxEditCore();
    ~TSyntaxEditCore() override;
    TSyntaxEditCore(const TSyntaxEditCore &) = delete;
    TSyntaxEditCore &operator=(const TSyntaxEditCore &) = delete;

    // ---- text
    TSyntaxEditorStrings &Lines() { return *FLines; }
    const TSyntaxEditorStrings &Lines() const { return *FLines; }
    int LineCount() const;
    // Replaces the text by a copy of the given lines.
    void SetLines(const TWideStrings &value);
    WideString LineText(int line) const; // empty for a line outside the list

    // ---- options and properties
    TSyntaxEditOptions Options() const { return FOptions; }
    virtual void SetOptions(TSyntaxEditOptions value);
    bool HasOption(TSyntaxEditOption o) const { return (FOptions & o) != 0; }
    int TabSize() const { return FTabSize; }
    void SetTabSize(int value);
    int IndentSize() const { return FIndentSize; }
    void SetIndentSize(int value);
    int CharWidth() const { return FCharWidth; }
    void SetCharWidth(int value);
    int LineHeight() const { return FLineHeight; }
    int ExtraLineSpacing() const { return FExtraLineSpacing; }
    void SetExtraLineSpacing(int value);
    // The font's average character width and its height (with external leading).
    void SetFontMetrics(int charWidth, int fontHeight);
    int MaxRightChar() const { return FMaxRightChar; }
    void SetMaxRightChar(int value);
    int MaxRightPixels() const { return ClampPixels(int64_t(FMaxRightChar) * FCharWidth); }
    int GutterWidth() const { return FGutterWidth; }
    void SetGutterWidth(int value);
    int GutterRight() const { return FGutterRight; }
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int value);
    int MarkLine() const { return FMarkLine; }
    void SetMarkLine(int value);
    int MaxUndo() const { return FUndoList.MaxCount(); }
    void SetMaxUndo(int value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    const TIdentChars &IdentChars() const { return FIdentChars; }
    void SetIdentChars(const TIdentChars &chars) { FIdentChars = chars; }
    static TIdentChars DefaultIdentChars();
    bool IsWordChar(WideChar c) const;

    // ---- viewport
    int ClientWidth() const { return FClientWidth; }
    int ClientHeight() const { return FClientHeight; }
    void Resize(int clientWidth, int clientHeight);
    int VisibleColumns() const { return FVisibleColumns; }
    int VisibleLineCount() const { return FVisibleLineCount; }
    int LeftOffset() const { return FLeftOffset; }
    int TopOffset() const { return FTopOffset; }
    void SetLeftOffset(int value);
    void SetTopOffset(int value);
    int GetTopLine() const { return 1 - FTopOffset; }
    void SetTopLine(int value);
    void EnsureCaretVisible();
    float ThumbScale() const { return FThumbScale; }
    // Columns the horizontal scroll can reach: MaxRightChar, or the longest line when longer.
    int ScrollColumns();
    int MaxScrollPixels() { return ClampPixels(int64_t(ScrollColumns()) * FCharWidth); }
    static int ClampPixels(int64_t v) { return static_cast<int>(std::min<int64_t>(v, INT32_MAX / 4)); }
    void UpdateScrollBars();
    TScrollBarInfo VertScrollInfo() const { return FVertInfo; }
    TScrollBarInfo HorzScrollInfo() const { return FHorzInfo; }
    void HScroll(TScrollCode code, int pos);
    void VScroll(TScrollCode code, int pos);
    // Where the line-number hint sits while the thumb is dragged to pos, in client
    // coordinates, for a hint of the given size.
    TPixelRect ScrollHintRect(int pos, int hintWidth, int hintHeight, int scrollBarHeight) const;
    // The cell boundary nearest the point; on a wide character, the nearer of its two edges.
    TTextPoint PixelsToTextPos(int x, int y);
    // One step of the auto-scroll while the mouse is held: cursor in client coordinates.
    void AutoScrollStep(int cursorX, int cursorY, bool dragTracking);
    // Where the caret cell is drawn, and whether it lies inside the text area.
    bool CaretPixelPos(int &x, int &y) const;

    // ---- caret and selection
    int CaretX() const { return FCaretX; }
    int CaretY() const { return FCaretY; }
    TTextPoint GetCaretXY() const { return {FCaretX, FCaretY}; }
    void SetCaretX(int value);
    void SetCaretY(int value);
    void SetCaretXY(TTextPoint p);
    int WantedColumn() const { return FWantedColumn; }
    void SetWantedColumn(int value) { FWantedColumn = value; }
    TTextPoint BlockBegin() const { return FBlockBegin; }
    TTextPoint BlockEnd() const { return FBlockEnd; }
    void SetBlockBegin(TTextPoint p);
    void SetBlockEnd(TTextPoint p);
    // Sets both ends of the selection as SetBlockBegin clamps a point (a selection may end
    // on the line past the last one, as one that begins there may).
    void SetBlockExact(TTextPoint a, TTextPoint b);
    bool SelAvail() const;
    WideString GetSelText() const;
    TTextPoint GetBlockStart() const;
    // Where text replacing the selection (or typed at the caret) begins: the selection's
    // earlier end, or the caret, moved to the start of the tab it lies in.
    TTextPoint SelectionStartPoint();
    WideString GetLineText();
    // The caret's line as GetLineText makes sure it exists, without a copy: valid until the
    // lines change.
    TWideLine CaretLine();
    void SetLineText(const WideString &text);
    // Puts line y with count characters from index on replaced by text. The new line is made
    // in a buffer kept between edits, so a keystroke in a long line copies it once and takes
    // no fresh memory for it.
    void ReplaceInLine(int y, int index, int count, const WideString &text);
    // The buffer new lines are built in, empty, holding at least size characters.
    WideString &EditBuffer(size_t size);
    void DeleteSelection(bool resetRanges);
    void InsertText(const WideString &text);
    void ReplaceSelection(const WideString &text);
    void MoveCaretTo(TTextPoint p);
    void SelectTo(TTextPoint p);
    void SelectAll();
    void SetSelText(const WideString &text);

    // ---- column map and words
    int LineDisplayLength(int line);
    int ColumnToCharIndex(int column, int line);
    int CharIndexToColumn(int index, int line);
    int NextColumn(int column, int line, bool stepOverTab);
    int PrevColumn(int column, int line);
    int NextTabStop(int column) const { return (column / FTabSize + 1) * FTabSize; }
    int ExpandedLength(const WideString &text) const { return TColumnMap::ExpandedLength(text, FTabSize); }
    int SmartTabColumn(int column, int line, bool skipWord);
    int UnindentColumn(int column, int line);
    virtual void PrevWordPos(TTextPoint &pos);
    virtual void NextWordPos(TTextPoint &pos);
    // The longer of MaxRightChar and the line's display length: no column limit ever cuts
    // a line's existing text.
    int LineLimit(int line);
    void DropColumnMap() { DropColumnMapsFrom(0); }

    // ---- bookmarks
    const TBookmark &Bookmark(int i) const { return FBookmarks[static_cast<size_t>(i)]; }
    void SetBookmark(int index, int x, int y);
    void ClearBookmark(int index);
    void GotoBookmark(int index);
    // Moves every bookmark at or below fromLine by delta lines.
    void ShiftBookmarks(int fromLine, int delta);

    // ---- undo
    TUndoList &UndoList() { return FUndoList; }
    bool CanUndo() const { return FUndoList.CanUndo(); }
    bool CanRedo() const { return FUndoList.CanRedo(); }
    TUndoKind PeekUndoKind() const { return FUndoList.PeekUndoKind(); }
    TUndoKind PeekRedoKind() const { return FUndoList.PeekRedoKind(); }
    void Undo();
    void Redo();
    void ClearUndo();
    // The before part of a coming change.
    TUndoRecord SnapshotUndoState(bool withText) const;
    // Adds a record whose after part is the editor as it stands now.
    void AddSnapshot(TUndoKind kind, const WideString &beforeText, bool flag, const TUndoRecord &before);
    void AddUndo(TUndoKind kind, const TUndoRecord &before, const WideString &beforeText, const WideString &afterText,
                 TTextPoint caretAfter, TTextPoint blockBeginAfter, TTextPoint blockEndAfter);
    void UndoAddCaretMoveFrom(const TUndoRecord &snapshot);

    // ---- edit bracket
    // An operation of the user (a command, a drop, a replace, a click) runs inside one
    // bracket. Unless eoKeepTrailingBlanks, the trailing blanks of the line the caret stood on
    // when the outermost bracket began are dropped when it ends, if the caret left that line,
    // and recorded as joined to the operation's record, so undo restores them exactly.
    void BeginEdit();
    void EndEdit();
    class TEditScope {
    public:
        explicit TEditScope(TSyntaxEditCore &editor) : FEditor(editor), FExceptions(std::uncaught_exceptions())
        {
            FEditor.BeginEdit();
        }
        ~TEditScope() noexcept(false)
        {
            if (std::uncaught_exceptions() > FExceptions)
                FEditor.AbortEdit();
            else
                FEditor.EndEdit();
        }
        TEditScope(const TEditScope &) = delete;
        TEditScope &operator=(const TEditScope &) = delete;

    private:
        TSyntaxEditCore &FEditor;
        int FExceptions;
    };

    // ---- modified state and update bracket
    bool GetModified() const;
    void SetModified(bool value);
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    void ClearAll(bool withUndo, bool keepUndo);

    // ---- commands and keys
    virtual void RunEditorCommand(TEditorCommand command, WideChar ch, void *data = nullptr);
    virtual void DoProcessCommand(TEditorCommand &command, WideChar &ch, void *data);
    void RunCommand(TEditorCommand command) { RunEditorCommand(command, u' ', nullptr); }
    TEditorCommand KeyToCommand(uint16_t key, TShiftState shift) const;
    TKeyStrokes &Keystrokes() { return FKeystrokes; }
    // nullptr clears the bindings, otherwise they are copied.
    void SetKeystrokes(const TKeyStrokes *value);
    virtual void ResetKeystrokes();
    // A key press: true when a binding ran a command (the character that follows is then
    // swallowed until the key is released).
    bool KeyDown(uint16_t key, TShiftState shift);
    void KeyPress(WideChar ch);
    void KeyUp();
    // Text composed by an input method: typed like keys, replacing the selection.
    void InsertImeText(const WideString &text);
    // A mouse wheel turn of delta (120 a notch); Ctrl scrolls by pages.
    void WheelScroll(int delta, bool ctrl, int wheelScrollLines);
    TBookmarkOptions &BookMarkOptions() { return FBookMarkOptions; }
    const TBookmarkOptions &BookMarkOptions() const { return FBookMarkOptions; }
    TProcessCommandEvent OnProcessCommand;
    TProcessCommandEvent OnProcessUserCommand;

    // ---- clipboard, comments, block indent
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void CommentSelectedLines();
    void UncommentSelectedLines();
    void BlockIndent();
    void BlockUnindent();
    int LeadingBlankCount(const WideString &text) const;
    void ExpandLeadingTabs(WideString &text) const;

    // ---- highlighter
    TSyntaxHighlighter *HighLighter() const { return FHighLighter; }
    void SetHighLighter(TSyntaxHighlighter *value);
    // Scans the lines from ValidRangeLine up to line, storing the range at the start of each,
    // and leaves the highlighter in the range at the start of line.
    void PrepareRanges(int line);
    // The highlighter checkpoints of a line whose start range is stored (nullptr for a short
    // line): scans of the line start through them.
    TLineCheckpoints *CheckpointsOf(int line);
    const TScanCheckpoints &ScanCheckpoints() const { return FCheckpoints; }
    void Invalidate() override { ViewInvalidate(); }
    void HighlighterDestroyed(TSyntaxHighlighter *highlighter) override;

    // ---- mouse, words and dragging (positions in pixels of the text window)
    enum TMouseDownResult { mdNone, mdFocusOnly, mdStartDrag, mdSelect };
    // A press; `tick` is the time in ms, `doubleClick` the second press of a double click.
    TMouseDownResult MouseDown(bool left, TShiftState shift, bool doubleClick, int x, int y, bool wasFocused,
                               uint32_t tick);
    // A move: +1 when the auto-scroll should run, -1 when it should stop, 0 unchanged.
    int MouseMove(bool leftDown, bool timerRunning, int x, int y);
    void MouseUp() { FClickSelected = false; }
    void DblClick();
    bool IsPointInSelection(TTextPoint p);
    void MoveCaretToPixel(int x, int y);
    void SelectLine();
    void SelectWordAt(TTextPoint p);
    void GetWordAtPos(TTextPoint p, TTextPoint &begin, WideString &word, TTextPoint &end);
    TTextPoint MouseDownCaret() const { return FMouseDownCaret; }
    uint32_t DoubleClickTime() const { return FDoubleClickTime; }
    void SetDoubleClickTime(uint32_t ms) { FDoubleClickTime = ms; }
    bool ClickSelected() const { return FClickSelected; }
    // Dragging text: copy with Ctrl, or between editors without Shift; move otherwise.
    static bool IsDragCopy(bool fromOtherEditor, TShiftState shift);
    void DoStartDrag() { FDragEntered = false; }
    void DragEnter()
    {
        FDragEntered = true;
        FDragTracking = true;
    }
    void DragLeave() { FDragTracking = false; }
    bool DragTracking() const { return FDragTracking; }
    // Whether a drop from source at the cell would be taken.
    bool DragAccept(const TSyntaxEditCore *source, TTextPoint cell);
    void DragCanceled();
    // Drops source's selected text at cell: moved, or copied.
    void DragDrop(TSyntaxEditCore *source, TTextPoint cell, bool copy);

    // ---- search and replace
    // Finds (and replaces) ASearch in the text. The result is the number of matches reached
    // inside the scope; in find mode the first match is selected and the result is 1, or 0
    // when there is none. Errors of a regular expression propagate unchanged.
    int SearchReplace(const WideString &search, const WideString &replace, int options);
    TReplaceTextEvent OnReplaceText;

    // ---- files
    // Loads the file and, unless shareMode is fmShareDenyNone, keeps it open with that
    // sharing until it is saved or another file is loaded. With fmShareDenyWrite a file
    // someone else holds is loaded without being held, and the result is false.
    bool LoadFromFile(const WideString &fileName, uint16_t shareMode);
    bool SaveToFile(const WideString &fileName);
    // The path or remote name of the text; set by LoadFromFile and SaveToFile.
    const WideString &FileName() const { return FFileName; }
    void SetFileName(const WideString &value) { FFileName = value; }
    bool FileHeld() const { return FFileHandle != nullptr; }
    uint16_t ShareMode() const { return FShareMode; }

    // ---- events
    TCaretEvent OnCaretChange;
    TNotifyEvent OnChange;
    TNotifyEvent OnSettingChange;
    TBookMarkEvent OnBookmark;

    virtual void DoChange();
    virtual void DoSettingChange();
    virtual void DoCaretChange();

    // Called by the line list (TSyntaxEditorStrings) around its changes.
    void LineInserted(int index, const WideString &text);
    void LineDeleted(int index, const WideString &oldText);
    void LinesInserted(int index, const std::vector<WideString> &lines);
    void LinesDeleted(int index, const std::vector<WideString> &oldLines);
    int DisplayLengthOf(std::u16string_view text) const { return TColumnMap::DisplayLengthOf(text, FTabSize); }
    // A line is about to change from oldText to newText (the list holds oldText still),
    // then it has changed.
    void LineChanging(int index, std::u16string_view oldText, const WideString &newText);
    void LinePut(int index, const WideString &newText);
    void TextSet();
    void LinesCleared();
    void LinesChanged();
    void RangesChangedFrom(int line);
    void RangesChanged(int first, int last);
    int ValidRangeLine() const { return FValidRangeLine; }
    void SetValidRangeLine(int line) { FValidRangeLine = line; }
    virtual void ResetRangesFrom(int line);

    // Invalidation in text lines (0-based).
    void InvalidateLine(int line);
    void InvalidateLines(int a, int b);
    void InvalidateFromLine(int line);

protected:
    // ---- hooks for the view; the model alone does nothing here.
    virtual void ViewInvalidate() {}
    virtual void ViewInvalidateRect(const TPixelRect &) {}
    virtual void ViewScroll(int /*dx*/, int /*dy*/, const TPixelRect & /*clip*/) {}
    virtual void ViewUpdate() {}
    virtual void ViewSetRedraw(bool /*on*/) {}
    // Lets the view paint pending changes (the selection) before a question is asked.
    virtual void ViewProcessMessages() {}
    virtual void ViewUpdateCaret() {}
    virtual void ViewScrollBarsChanged() {}
    // Seeds the highlighter range of line 0 (the view owns the highlighter).
    void HighlighterSeedFirstLine();
    bool HighlighterActive() const { return FHighLighter != nullptr; }
    // The clipboard; the model alone keeps a private one.
    virtual bool ClipboardHasText() { return FClipboardSet; }
    virtual WideString ClipboardText() { return FClipboard; }
    virtual void SetClipboardText(const WideString &text)
    {
        FClipboard = text;
        FClipboardSet = true;
    }

    // Command parts.
    void MoveCommand(TEditorCommand command, void *data);
    void TextCommand(TEditorCommand command, WideChar ch);
    // Types one character (one unit, or both halves of a surrogate pair) and leaves the caret after it.
    void TypeChar(const WideString &ch, const TUndoRecord &snap);
    void LineBreak(bool insertLine, const TUndoRecord &snap);
    void DeleteLastChar(const TUndoRecord &snap);
    void DeleteNextChar(const TUndoRecord &snap);
    void RightEdgeCheck();
    void UndoAddCaretMove(const TUndoRecord &snap);
    void ToggleInserting(int mode); // 0 insert, 1 overwrite, 2 toggle

    void UpdateCaret() { ViewUpdateCaret(); }
    const TColumnMap &MapOf(int line);

    // Replay of one undo record backward and forward.
    void UndoRecordBackward(const TUndoRecord &r);
    void UndoRecordForward(const TUndoRecord &r);
    void ReplayBlanks(const TUndoRecord &r, bool forward);
    // Replays undo records backward (Undo) or forward (Redo).
    void Replay(bool Forward);
    void DeleteLineAt(int line);
    // Ends a bracket that an exception left: nothing more is trimmed.
    void AbortEdit();
    // Drops the trailing blanks of a line and records that; joined to the last record when
    // an operation that added it is ending.
    void TrimTrailingBlanks(int line, bool joined);
    // Records blanks an edit puts into a line to reach a position past its end (count blanks
    // at character index `index`), undone with the edit's record that follows.
    void NotePadding(int line, int index, int count);
    int FEditDepth = 0;
    int FTrimLine = -1; // the caret's line when the outermost bracket began
    bool FTrimForce = false; // trim that line even when the caret is still on it
    uint64_t FEditAdds = 0; // the undo list's add count when the bracket began
    bool FInReplay = false;
    // Where the edit being recorded changed text first and last (character index, line),
    // taken into its record; reset by each snapshot.
    mutable TTextPoint FEditAtFirst{-1, -1}, FEditAtLast{-1, -1};
    // Where the next line change begins, told by the edit that makes it (the common start of
    // the old and new line may reach further when the new text repeats the old).
    TTextPoint FEditAtNext{-1, -1};
    // Takes `at` into the place of the edit being recorded (not during replay).
    void NoteEditAt(TTextPoint at) const;
    // Puts line y changed by an edit that begins at character index `at`.
    void PutEdited(int y, const WideString &text, int at);
    // Replaces the matches [first, second) of line y (character indexes, in order, apart) in one
    // write of the line, leaving the caret, the selection and the undo records exactly as
    // replacing them one after another does. False (nothing done) where a match or the
    // replacement borders on a half of a pair, or a match is empty: replacing one by one may
    // join or part pairs there, which moves the caret and the recorded columns.
    bool ReplaceLineMatches(int y, const std::vector<std::pair<int, int>> &matches, const WideString &replace);
    // During replay: the exact character indexes of the place the next deletion starts and
    // ends, and the next insertion goes to, where the column being converted is theirs.
    TTextPoint FExactStart{-1, -1}, FExactEnd{-1, -1};
    TTextPoint FDeletedAt{-1, -1}; // where the last DeleteSelection took text out (index, line)
    int ExactIndexOf(TTextPoint p, TTextPoint exact);
    // Whether replay has text to take out at an exact place: also where the selection over it
    // is empty (a text that completed a pair of one cell with the half before it has no
    // column of its own).
    bool ReplayRemovesText() const { return FExactStart.Y >= 0 && FExactEnd.Y >= 0 && !(FExactEnd == FExactStart); }
    // The caret's column for the place before character `index`: where an edit joined two
    // halves there, no column lies between them and the caret goes before the pair, which is
    // a column replay takes for that place (see ExactIndexOf).
    int CaretColumnAt(int index, int line);
    // Moves the caret to the start of a wide character its line now has around its column.
    void KeepCaretOutsideCharacter();
    friend struct TReplayHelpers;

    std::unique_ptr<TSyntaxEditorStrings> FLines;
    TUndoList FUndoList;
    TSyntaxEditOptions FOptions = DefaultSyntaxEditOptions;
    TTextPoint FBlockBegin, FBlockEnd;
    int FCaretX = 0, FCaretY = 0;
    int FWantedColumn = 0;
    int FVisibleColumns = 10;
    int FVisibleLineCount = 0;
    int FCharWidth = 8;
    int FFontHeight = 16;
    int FLineHeight = 16;
    int FExtraLineSpacing = 0;
    int FGutterWidth = 30;
    int FGutterRight = 29;
    int FClientWidth = 200;
    int FClientHeight = 150;
    int FLeftOffset = 0;
    int FTopOffset = 0;
    int FMaxRightChar = 128;
    int FUpdateCount = 0;
    int FRightMargin = 80;
    int FTabSize = 8;
    int FIndentSize = 2;
    int FMarkLine = -1;
    int FValidRangeLine = 0;
    // Ranges stored before the last edits, valid up to FKnownRangeEnd once a rescan past
    // FDirtyRangeEnd (the last changed line) meets a stored range again.
    int FKnownRangeEnd = -1;
    int FDirtyRangeEnd = -1;
    void ShiftRangeMarks(int index, int delta);
    void ForgetKnownRanges();
    float FThumbScale = 1.0f;
    TScrollStyle FScrollBars = ssBoth;
    TScrollBarInfo FVertInfo, FHorzInfo;
    TBookmark FBookmarks[10];
    TIdentChars FIdentChars;
    bool FModified = false;
    bool FInSetSelText = false;
    bool FInUndoInsert = false;
    bool FInCaretXY = false;
    bool FInRedoInsert = false;
    bool FKeepBookmarks = false;
    bool FInTextSet = false;
    bool FKeySwallowed = false;
    WideChar FPendingHigh = 0; // first half of a surrogate pair being typed
    TKeyStrokes FKeystrokes;
    TBookmarkOptions FBookMarkOptions;
    WideString FClipboard;
    bool FClipboardSet = false;
    WideString FFileName;
    std::unique_ptr<TFileStream> FFileHandle;
    uint16_t FShareMode = 0;
    TSyntaxHighlighter *FHighLighter = nullptr;
    TTextPoint FMouseDownCaret;
    uint32_t FLastClickTick = 0;
    uint32_t FDoubleClickTime = 500;
    bool FClickSelected = false;
    bool FDragEntered = false;
    bool FDragTracking = false;

    TScanCheckpoints FCheckpoints;
    WideString FEditBuffer;
    // Where the line ReplaceInLine is putting changes, so the change need not be searched for.
    int FEditHintLine = -1;
    TLineChange FEditHint;
    // Column maps of two lines: the one used last, and the long line used last (so painting
    // the short lines around a long one does not drop its map).
    struct TMapSlot {
        TColumnMap Map;
        int Line = -1;
    };
    std::array<TMapSlot, 2> FMaps;
    TMapSlot *MapSlotOf(int line);
    void DropColumnMapsFrom(int line);
    // The slot whose map already follows a change of its line that is under way.
    TMapSlot *FMapFollows = nullptr;
    int FMapFollowsLine = -1;
    // How many lines have each display length, for the longest line; counted again when
    // not valid.
    void CountLength(std::u16string_view text, int delta);
    void CountDisplayLength(int length, int delta);
    std::map<int, int> FLengthCounts;
    bool FLengthsValid = false;
};
