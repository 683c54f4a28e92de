#pragma once
// The editor control: a scroll area over the editor model that paints the gutter and the
// text (through a highlighter when one is set), draws and blinks the caret, and turns keys,
// the mouse, the wheel, input methods, the clipboard and drag and drop into model calls.
#include "editor/SyntaxEditCore.h"
#include <QAbstractScrollArea>
#include <QFont>
#include <QPixmap>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <functional>

class QPainter;
class TScrollBarLook;

// A pair of colours of the editor (selection, mark line, scroll hint).
class TColors {
public:
    TColors(TColor background, TColor foreground) : FBackground(background), FForeground(foreground) {}
    TColor Background() const { return FBackground; }
    TColor Foreground() const { return FForeground; }
    void SetBackground(TColor value);
    void SetForeground(TColor value);
    void Assign(const TColors &source);
    std::function<void()> OnChange;

private:
    TColor FBackground, FForeground;
};

// The line-number hint shown beside the vertical scroll bar while its thumb is dragged.
class TScrollHintWindow : public QLabel {
public:
    explicit TScrollHintWindow(QWidget *parent);
    void ShowHint(const QString &text, const QRect &screenRect, const QColor &background, const QColor &foreground);
};

// The dragged text with the editor it comes from.
class TEditorDragData : public QMimeData {
    Q_OBJECT
public:
    QPointer<QObject> Source;
};

class TCustomSyntaxEdit : public QAbstractScrollArea, public TSyntaxEditCore {
    Q_OBJECT
public:
    explicit TCustomSyntaxEdit(QWidget *parent = nullptr);
    ~TCustomSyntaxEdit() override;

    // ---- appearance
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor GutterColor() const { return FGutterColor; }
    void SetGutterColor(TColor value);
    TColor MarginColor() const { return FMarginColor; }
    void SetMarginColor(TColor value);
    TColors &MarkColor() { return FMarkColor; }
    TColors &SelectedColor() { return FSelectedColor; }
    TColors &ScrollHintColor() { return FScrollHintColor; }
    void SetMarkColor(const TColors &value);
    void SetSelectedColor(const TColors &value);
    void SetScrollHintColor(const TColors &value);
    const QFont &LineNumberFont() const { return FLineNumberFont; }
    void SetLineNumberFont(const QFont &value);
    TCaretType InsertCaret() const { return FInsertCaret; }
    TCaretType OverwriteCaret() const { return FOverwriteCaret; }
    void SetInsertCaret(TCaretType value);
    void SetOverwriteCaret(TCaretType value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TScrollBarMode ScrollBarMode() const { return FScrollBarMode; }
    // The look of both scroll bars: sbmRegular the style's own, sbmFlat flat (no bevels, the thumb
    // darkening under the mouse), sbm3D raised thumb and arrow buttons that sink when pressed.
    void SetScrollBarMode(TScrollBarMode value);
    void SetOptions(TSyntaxEditOptions value) override;
    void RepaintGutter();

    // Fired after painting.
    std::function<void(TCustomSyntaxEdit &Sender, QPainter &Canvas)> OnPaint;

    // The widget that shows the text (for tests and event filters).
    QWidget *TextWindow() const { return viewport(); }
    bool CaretShown() const { return FCaretShown; }
    // Where the caret is drawn and how big it is, in text window coordinates.
    QRect CaretRect() const;

    // Paints the text window's contents for the clip rectangle (used by paint events).
    void PaintTo(QPainter &p, const QRect &clip);

protected:
    // ---- model hooks
    void ViewInvalidate() override;
    void ViewInvalidateRect(const TPixelRect &r) override;
    void ViewScroll(int dx, int dy, const TPixelRect &clip) override;
    void ViewUpdate() override {}
    void ViewUpdateCaret() override;
    void ViewScrollBarsChanged() override;
    void ViewSetRedraw(bool on) override;
    void ViewProcessMessages() override;
    bool ClipboardHasText() override;
    WideString ClipboardText() override;
    void SetClipboardText(const WideString &text) override;

    // ---- Qt events
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;
    void scrollContentsBy(int, int) override {}
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dragLeaveEvent(QDragLeaveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    bool focusNextPrevChild(bool next) override;

private:
    void FontChanged();
    void ApplyScrollBarMode();
    void CreateEditorCaret();
    void BlinkCaret();
    void AutoScrollTick();
    void StartDrag();
    void VerticalAction(int action);
    void HorizontalAction(int action);
    void PaintGutter(QPainter &p, const QRect &clip);
    void PaintLines(QPainter &p, const QRect &clip);
    QColor Qc(TColor c) const;
    TCustomSyntaxEdit *EditorOf(const QMimeData *data) const;
    static QPixmap DragCursor(bool copy);

    TColor FColor = clWindow;
    TColor FGutterColor = clBtnFace;
    TColor FMarginColor = clSilver;
    TColors FMarkColor{clHighlight, clHighlightText};
    TColors FSelectedColor{clHighlight, clHighlightText};
    TColors FScrollHintColor{clAppWorkSpace, clInfoText};
    QFont FLineNumberFont;
    QFont FPaintFont; // the text font with letter spacing making every cell CharWidth wide
    int FAscent = 12;
    TCaretType FInsertCaret = ctVerticalLine;
    TCaretType FOverwriteCaret = ctBlock;
    TScrollBarMode FScrollBarMode = sbmRegular;
    TScrollBarLook *FScrollBarLook = nullptr; // made for the first look other than sbmRegular
    TBorderStyle FBorderStyle = bsSingle;
    QTimer FAutoScrollTimer;
    QTimer FBlinkTimer;
    bool FCaretShown = false;
    QRect FDrawnCaret; // where the caret was last placed
    bool FCaretBlinkOn = true;
    bool FDragPending = false;
    QPoint FPressPos;
    QPoint FLastMousePos;
    bool FInScrollAction = false;
    int FWheelRemainder = 0; // parts of a wheel notch not scrolled yet
    TScrollHintWindow *FScrollHint = nullptr;
};

// The editor control as the program places it; it publishes the properties and adds nothing.
class TSyntaxEdit : public TCustomSyntaxEdit {
    Q_OBJECT
public:
    using TCustomSyntaxEdit::TCustomSyntaxEdit;
};
