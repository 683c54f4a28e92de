#include "shell/ReferenceWindows.h"

#include "controls/TreeNT.h"
#include "controls/TreeNTNode.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "shell/ReferenceData.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget *MakeReportList(QWidget *Owner, const QStringList &Columns, const std::vector<int> &Widths)
{
    auto *list = new QTreeWidget(Owner);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAlternatingRowColors(false);
    // The grid lines come from a style sheet; once an item has a style sheet rule it is drawn by
    // the sheet alone, and its selected state needs its own colours or the text vanishes.
    list->setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid palette(mid); "
                                       "border-bottom: 1px solid palette(mid); }"
                                       "QTreeView::item:selected { background: palette(highlight); "
                                       "color: palette(highlighted-text); }"));
    list->setHeaderLabels(Columns);
    for (int i = 0; i < int(Widths.size()); ++i)
        list->setColumnWidth(i, Widths[size_t(i)]);
    auto *layout = new QVBoxLayout(Owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
    return list;
}

void AddRows(QTreeWidget *List, const std::vector<TReferenceRow> &Rows, const std::vector<Qt::Alignment> &Align)
{
    QList<QTreeWidgetItem *> items;
    items.reserve(qsizetype(Rows.size()));
    for (const TReferenceRow &row : Rows) {
        auto *item = new QTreeWidgetItem;
        for (int c = 0; c < 3; ++c) {
            item->setText(c, AnsiToQString(row[size_t(c)]));
            if (c < int(Align.size()))
                item->setTextAlignment(c, Align[size_t(c)]);
        }
        items.push_back(item);
    }
    List->addTopLevelItems(items);
}

} // namespace

TfrmAsciRef::TfrmAsciRef(QWidget *Parent, std::function<void(const WideString &)> CopyText)
    : QWidget(Parent, Qt::Tool), FCopyText(std::move(CopyText))
{
    setObjectName(QStringLiteral("frmAsciRef"));
    setWindowTitle(QStringLiteral("Ascii Reference"));
    resize(310, 420);
    ListView = MakeReportList(
        this, {QStringLiteral("Ascii code"), QStringLiteral("Hex code"), QStringLiteral("Character")}, {80, 80, 120});
    // The codes are right-aligned in their field; a fixed-pitch font keeps the padding visible.
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    AddRows(ListView, AsciiReferenceRows(), {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignCenter});
    for (int i = 0; i < ListView->topLevelItemCount(); ++i)
        ListView->topLevelItem(i)->setFont(0, fixed);
    ListView->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *copyCode = new QAction(QStringLiteral("Copy Ascii code"), ListView);
    auto *copyHex = new QAction(QStringLiteral("Copy Hex code"), ListView);
    connect(copyCode, &QAction::triggered, this, GuardedSlot([this] { CopyAscicode1Click(); }));
    connect(copyHex, &QAction::triggered, this, GuardedSlot([this] { CopyHexcode1Click(); }));
    ListView->addAction(copyCode);
    ListView->addAction(copyHex);
}

// With no row selected there is nothing to copy, and the clipboard keeps what it had.
void TfrmAsciRef::CopyAscicode1Click()
{
    if (QTreeWidgetItem *item = ListView->currentItem(); item && item->isSelected() && FCopyText)
        FCopyText(ToWideString(item->text(0).trimmed()));
}

void TfrmAsciRef::CopyHexcode1Click()
{
    if (QTreeWidgetItem *item = ListView->currentItem(); item && item->isSelected() && FCopyText)
        FCopyText(ToWideString(item->text(1)));
}

TfrmBuiltinRef::TfrmBuiltinRef(QWidget *Parent) : QWidget(Parent, Qt::Tool)
{
    setObjectName(QStringLiteral("frmBuiltinRef"));
    setWindowTitle(QStringLiteral("Built-in, Browser and DOM properties and methods"));
    resize(480, 420);
    ListView = MakeReportList(
        this, {QStringLiteral("Column 1"), QStringLiteral("Column 2"), QStringLiteral("Column 3")}, {150, 150, 150});
    AddRows(ListView, BuiltinReferenceRows(), {});
}

TfrmCodeTree::TfrmCodeTree(QWidget *Parent, std::function<void(const WideString &)> Paste)
    : QWidget(Parent, Qt::Tool), FPaste(std::move(Paste))
{
    setObjectName(QStringLiteral("frmCodeTree"));
    setWindowTitle(QStringLiteral("Javascript Code Tree"));
    resize(260, 420);
    TreeNTCode = new TTreeNT(this);
    TreeNTCode->setObjectName(QStringLiteral("TreeNTCode"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TreeNTCode);
    FillCodeTree(TreeNTCode->Items());

    TreeNTCode->setContextMenuPolicy(Qt::ActionsContextMenu);
    ExpandAll1 = new QAction(QStringLiteral("&Expand all"), TreeNTCode);
    CollapseAll1 = new QAction(QStringLiteral("&Contract all"), TreeNTCode);
    PasteintoEditor1 = new QAction(QStringLiteral("&Paste into Editor"), TreeNTCode);
    ExpandAll1->setEnabled(false);
    connect(ExpandAll1, &QAction::triggered, this, GuardedSlot([this] { ExpandAll1Click(); }));
    connect(CollapseAll1, &QAction::triggered, this, GuardedSlot([this] { CollapseAll1Click(); }));
    connect(PasteintoEditor1, &QAction::triggered, this, GuardedSlot([this] { PasteintoEditor1Click(); }));
    TreeNTCode->addAction(ExpandAll1);
    TreeNTCode->addAction(CollapseAll1);
    TreeNTCode->addAction(PasteintoEditor1);
    TreeNTCode->OnDblClick = [this](TTreeNT *, TTreeNTNode *) { PasteintoEditor1Click(); };
}

void TfrmCodeTree::ExpandAll1Click()
{
    TreeNTCode->Items().BeginUpdate();
    TreeNTCode->FullExpand();
    TreeNTCode->Items().EndUpdate();
    ExpandAll1->setEnabled(false);
    CollapseAll1->setEnabled(true);
}

void TfrmCodeTree::CollapseAll1Click()
{
    TreeNTCode->Items().BeginUpdate();
    TreeNTCode->FullCollapse();
    TreeNTCode->Items().EndUpdate();
    CollapseAll1->setEnabled(false);
    ExpandAll1->setEnabled(true);
}

void TfrmCodeTree::PasteintoEditor1Click()
{
    if (TTreeNTNode *node = TreeNTCode->GetSelected(); node && FPaste)
        FPaste(node->GetText());
}

void ShowReferenceWindow(QWidget &Window, const QWidget &Main, int TopOffset, int Height)
{
    const QRect main = Main.frameGeometry();
    Window.move(main.left() + main.width() - Window.frameGeometry().width() - 5, main.top() + TopOffset);
    if (Height > 0)
        Window.resize(Window.width(), Height);
    Window.show();
    Window.raise();
    Window.activateWindow();
}
