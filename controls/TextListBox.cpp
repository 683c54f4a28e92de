#include "controls/TextListBox.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <vector>

namespace {

constexpr int TextMargin = 2; // pixels left of each line's text

} // namespace

int TabStopPixels(int ZeroWidth, int TabWidth)
{
    if (TabWidth <= 0 || ZeroWidth <= 0)
        return 0;
    const long long n = static_cast<long long>(ZeroWidth) * TabWidth;
    long long q = n / 4;
    const long long r = n % 4;
    if (r > 2 || (r == 2 && (q & 1)))
        ++q;
    return static_cast<int>(std::min<long long>(q, INT_MAX));
}

// ---- model: the lines with their objects

class TextListModel final : public QAbstractListModel {
public:
    struct Line {
        AnsiString S;
        QString Shown;
        TObject *Obj = nullptr;
        std::any Data;
    };

    explicit TextListModel(QObject *Parent) : QAbstractListModel(Parent) {}

    int rowCount(const QModelIndex &Parent = QModelIndex()) const override
    {
        return Parent.isValid() ? 0 : static_cast<int>(Lines.size());
    }

    QVariant data(const QModelIndex &Index, int Role) const override
    {
        if (!Index.isValid() || Index.row() < 0 || Index.row() >= rowCount() || Role != Qt::DisplayRole)
            return {};
        return Lines[static_cast<size_t>(Index.row())].Shown;
    }

    void InsertLine(int Row, Line L)
    {
        if (Batch) {
            Lines.insert(Lines.begin() + Row, std::move(L));
            return;
        }
        beginInsertRows(QModelIndex(), Row, Row);
        Lines.insert(Lines.begin() + Row, std::move(L));
        endInsertRows();
    }

    void RemoveLine(int Row)
    {
        if (Batch) {
            Lines.erase(Lines.begin() + Row);
            return;
        }
        beginRemoveRows(QModelIndex(), Row, Row);
        Lines.erase(Lines.begin() + Row);
        endRemoveRows();
    }

    // Between the two the view hears of no single change: the changes made meanwhile (a check's
    // findings, tens of thousands of lines) reach it as one reset.
    void BeginBatch()
    {
        beginResetModel();
        Batch = true;
    }
    void EndBatch()
    {
        Batch = false;
        endResetModel();
    }
    bool Batch = false;

    void ClearLines()
    {
        if (!Batch)
            beginResetModel();
        Lines.clear();
        if (!Batch)
            endResetModel();
    }

    void SortLines()
    {
        if (!Batch)
            beginResetModel();
        std::stable_sort(Lines.begin(), Lines.end(),
                         [](const Line &a, const Line &b) { return CompareText(a.S, b.S) < 0; });
        if (!Batch)
            endResetModel();
    }

    std::vector<Line> Lines;
};

// ---- delegate: lines drawn with the list's tab stops, never elided

class TextListDelegate final : public QStyledItemDelegate {
public:
    explicit TextListDelegate(TTextListBox &Box) : QStyledItemDelegate(&Box), FBox(Box) {}

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(FBox.FMaxWidth + TextMargin, FBox.ItemHeight());
    }

    void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override
    {
        QStyleOptionViewItem opt = Option;
        initStyleOption(&opt, Index);
        const QString text = opt.text;
        opt.text.clear();
        // The row's background and selection span the whole visible width.
        opt.rect.setRight(std::max(opt.rect.right(), FBox.viewport()->width() - 1));
        QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, Painter, opt.widget);

        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                                : QPalette::Inactive;
        Painter->save();
        Painter->setFont(opt.font);
        Painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                      : QPalette::Text));
        QTextOption to(Qt::AlignLeft | Qt::AlignVCenter);
        to.setWrapMode(QTextOption::NoWrap);
        const int stop = FBox.TabStop();
        if (stop > 0)
            to.setTabStopDistance(stop);
        QRectF r(opt.rect.left() + TextMargin, opt.rect.top(), std::max(opt.rect.width(), FBox.FMaxWidth) + TextMargin,
                 opt.rect.height());
        Painter->drawText(r, text, to);
        Painter->restore();
    }

private:
    TTextListBox &FBox;
};

// ---- TListBoxStrings

int TListBoxStrings::Count() const
{
    return FOwner.FModel->rowCount();
}

const AnsiString &TListBoxStrings::Get(int Index) const
{
    if (Index < 0 || Index >= Count())
        IndexError(Index);
    return FOwner.FModel->Lines[static_cast<size_t>(Index)].S;
}

TObject *TListBoxStrings::GetObject(int Index) const
{
    if (Index < 0 || Index >= Count())
        IndexError(Index);
    return FOwner.FModel->Lines[static_cast<size_t>(Index)].Obj;
}

void TListBoxStrings::PutObject(int Index, TObject *AObject)
{
    if (Index < 0 || Index >= Count())
        IndexError(Index);
    FOwner.FModel->Lines[static_cast<size_t>(Index)].Obj = AObject;
}

void TListBoxStrings::Insert(int Index, const AnsiString &S)
{
    if (Index < 0 || Index > Count())
        IndexError(Index);
    FOwner.InsertString(Index, S);
}

int TListBoxStrings::Add(const AnsiString &S)
{
    int index = Count();
    if (FOwner.FSorted) {
        const auto &lines = FOwner.FModel->Lines;
        const auto it = std::upper_bound(lines.begin(), lines.end(), S,
                                         [](const AnsiString &v, const auto &l) { return CompareText(v, l.S) < 0; });
        index = static_cast<int>(it - lines.begin());
    }
    return FOwner.InsertString(index, S);
}

void TListBoxStrings::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        IndexError(Index);
    FOwner.DeleteString(Index);
}

void TListBoxStrings::Clear()
{
    FOwner.ResetContent();
}

void TListBoxStrings::SetUpdateState(bool Updating)
{
    FOwner.viewport()->setUpdatesEnabled(!Updating);
    if (Updating) {
        FOwner.FModel->BeginBatch();
    } else {
        FOwner.FModel->EndBatch();
        FOwner.SetExtent();
        FOwner.viewport()->update();
    }
}

// ---- TTextListBox

TTextListBox::TTextListBox(QWidget *Parent)
    : QListView(Parent), FItems(std::make_unique<TListBoxStrings>(*this)), FModel(new TextListModel(this)),
      FDelegate(new TextListDelegate(*this)), FMetrics(font())
{
    setModel(FModel);
    setItemDelegate(FDelegate);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setAutoFillBackground(true);
}

TTextListBox::~TTextListBox() = default;

void TTextListBox::SetTabWidth(int Value)
{
    if (Value == FTabWidth)
        return;
    FTabWidth = Value;
    RecalcMaxWidth();
    viewport()->update();
}

void TTextListBox::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    FSorted = Value;
    if (FSorted)
        FModel->SortLines();
}

int TTextListBox::ItemHeight() const
{
    return FItemHeight > 0 ? FItemHeight : fontMetrics().height() + 2;
}

void TTextListBox::SetItemHeight(int Value)
{
    Value = std::max(Value, 0);
    if (Value == FItemHeight)
        return;
    FItemHeight = Value;
    LayoutChanged();
}

int TTextListBox::ItemIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void TTextListBox::SetItemIndex(int Value)
{
    if (Value < 0 || Value >= FModel->rowCount()) {
        selectionModel()->clear();
        return;
    }
    setCurrentIndex(FModel->index(Value));
}

int TTextListBox::TopIndex() const
{
    const QModelIndex top = indexAt(QPoint(0, 0));
    return top.isValid() ? top.row() : 0;
}

void TTextListBox::SetTopIndex(int Value)
{
    if (Value < 0 || Value >= FModel->rowCount())
        return;
    executeDelayedItemsLayout();
    scrollTo(FModel->index(Value), QAbstractItemView::PositionAtTop);
}

int TTextListBox::TabStop() const
{
    return TabStopPixels(FMetrics.horizontalAdvance(QLatin1Char('0')), FTabWidth);
}

// Latin text is measured word by word: the words of findings repeat a lot (the kinds, the
// messages, the names), so most are measured once. Words are laid out independently of
// their neighbours in Latin scripts, so the sum is the width of the whole line.
qreal TTextListBox::MeasurePlain(const QString &Text) const
{
    const qsizetype n = Text.size();
    const QChar *chars = Text.constData();
    for (qsizetype i = 0; i < n; ++i)
        if (chars[i].unicode() >= 0x250)
            return QFontMetricsF(font()).horizontalAdvance(Text);
    if (FWordWidths.size() > 100000)
        FWordWidths.clear();
    const QFontMetricsF metrics(font());
    if (FSpaceWidth < 0)
        FSpaceWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    qreal x = 0;
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = Text.indexOf(QLatin1Char(' '), start);
        if (end < 0)
            end = n;
        if (end > start) {
            const std::u16string_view word(reinterpret_cast<const char16_t *>(chars + start), size_t(end - start));
            auto it = FWordWidths.find(word);
            if (it == FWordWidths.end()) {
                const qreal width = metrics.horizontalAdvance(QString(chars + start, end - start));
                it = FWordWidths.emplace(std::u16string(word), width).first;
            }
            x += it->second;
        }
        if (end < n)
            x += FSpaceWidth;
        start = end + 1;
    }
    return x;
}

int TTextListBox::MeasureText(const QString &Text) const
{
    const QString s = Text + QLatin1Char('x');
    const int stop = TabStop();
    if (stop <= 0 || !s.contains(QLatin1Char('\t')))
        return qRound(MeasurePlain(s));
    // Each tab moves on to the next multiple of the stop, as the painter's text option does.
    qreal x = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = s.indexOf(QLatin1Char('\t'), start);
        x += MeasurePlain(s.mid(start, tab < 0 ? -1 : tab - start));
        if (tab < 0)
            break;
        x = (std::floor(x / stop) + 1) * stop;
        start = tab + 1;
    }
    return static_cast<int>(std::min<qreal>(std::ceil(x), INT_MAX));
}

int TTextListBox::ItemWidth(int Index) const
{
    if (Index < 0 || Index >= FModel->rowCount())
        return 0;
    return MeasureText(FModel->Lines[static_cast<size_t>(Index)].Shown);
}

void TTextListBox::RecalcMaxWidth()
{
    int widest = 0;
    for (const auto &line : FModel->Lines)
        widest = std::max(widest, MeasureText(line.Shown));
    FMaxWidth = widest;
    SetExtent();
}

void TTextListBox::SetExtent()
{
    if (FExtent == FMaxWidth)
        return;
    FExtent = FMaxWidth;
    QScrollBar *bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, FExtent - viewport()->width()));
    bar->setPageStep(std::max(1, viewport()->width()));
    // Rows are laid out as wide as the widest line, so clicks reach its far end.
    LayoutChanged();
}

void TTextListBox::LayoutChanged()
{
    // The view keeps one row size; a new layout asks the delegate again.
    scheduleDelayedItemsLayout();
}

const std::any &TTextListBox::ItemData(int Index) const
{
    static const std::any none;
    if (Index < 0 || Index >= FItems->Count())
        return none;
    return FModel->Lines[static_cast<size_t>(Index)].Data;
}

void TTextListBox::SetItemData(int Index, std::any Data)
{
    if (Index < 0 || Index >= FItems->Count())
        return;
    FModel->Lines[static_cast<size_t>(Index)].Data = std::move(Data);
}

int TTextListBox::InsertString(int Index, const AnsiString &S)
{
    TextListModel::Line line;
    line.S = S;
    line.Shown = AnsiToQString(S);
    const int width = MeasureText(line.Shown);
    FModel->InsertLine(Index, std::move(line));
    FMaxWidth = std::max(FMaxWidth, width);
    if (!FModel->Batch) // a batch sets the extent once, at its end
        SetExtent();
    return Index;
}

void TTextListBox::DeleteString(int Index)
{
    if (ItemWidth(Index) >= FMaxWidth) {
        horizontalScrollBar()->setValue(0);
        FModel->RemoveLine(Index);
        RecalcMaxWidth();
    } else {
        FModel->RemoveLine(Index);
    }
}

void TTextListBox::ResetContent()
{
    FMaxWidth = 0;
    SetExtent();
    horizontalScrollBar()->setValue(0);
    FModel->ClearLines();
}

void TTextListBox::changeEvent(QEvent *Event)
{
    RunGuarded([&] {
        QListView::changeEvent(Event);
        if (Event->type() == QEvent::FontChange) {
            FMetrics = QFontMetrics(font());
            FWordWidths.clear();
            FSpaceWidth = -1;
            RecalcMaxWidth();
            LayoutChanged();
        }
    });
}

void TTextListBox::updateGeometries()
{
    QListView::updateGeometries();
    QScrollBar *bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, FExtent - viewport()->width()));
    bar->setPageStep(std::max(1, viewport()->width()));
    bar->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
}

// The handlers run behind the error boundary: what they throw is shown here, never unwound through Qt.
void TTextListBox::keyPressEvent(QKeyEvent *Event)
{
    if (OnKeyDown) {
        Event->ignore();
        bool handled = true; // a handler that failed has had the key
        RunGuarded([&] {
            OnKeyDown(*this, *Event);
            handled = Event->isAccepted();
        });
        Event->accept();
        if (handled)
            return;
    }
    const int before = ItemIndex();
    QListView::keyPressEvent(Event);
    if (ItemIndex() != before && OnClick)
        RunGuarded([this] { OnClick(*this); });
}

void TTextListBox::mouseReleaseEvent(QMouseEvent *Event)
{
    QListView::mouseReleaseEvent(Event);
    if (Event->button() == Qt::LeftButton && indexAt(Event->position().toPoint()).isValid() && OnClick)
        RunGuarded([this] { OnClick(*this); });
}

void TTextListBox::mouseDoubleClickEvent(QMouseEvent *Event)
{
    QListView::mouseDoubleClickEvent(Event);
    if (Event->button() == Qt::LeftButton && indexAt(Event->position().toPoint()).isValid() && OnDblClick)
        RunGuarded([this] { OnDblClick(*this); });
}
