#include "shell/EditorCmds.h"

#include "editor/KeyStrokes.h"
#include "platform/QtConvert.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

void SplitCommandDisplayText(const QString &Text, QString &Command, QString &Key)
{
    const QString name = Text.mid(2); // the "ec" of the command identifier
    const int dash = int(name.indexOf(QLatin1Char('-')));
    if (dash < 0) {
        Command = Key = name;
        return;
    }
    Command = name.left(std::max(0, dash - 1));
    Key = name.mid(dash + 2, 100);
}

TfrmEditorCmds::TfrmEditorCmds(QWidget *Parent) : QWidget(Parent, Qt::Tool | Qt::WindowMinimizeButtonHint)
{
    setObjectName(QStringLiteral("frmEditorCmds"));
    setWindowTitle(QStringLiteral("Editor commands"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ListViewEditorCmds = new QTreeWidget(this);
    ListViewEditorCmds->setObjectName(QStringLiteral("ListViewEditorCmds"));
    ListViewEditorCmds->setRootIsDecorated(false);
    ListViewEditorCmds->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Key")});
    QPalette p = ListViewEditorCmds->palette();
    p.setColor(QPalette::Base, QColor(249, 254, 214));
    p.setColor(QPalette::Text, Qt::black);
    ListViewEditorCmds->setPalette(p);
    layout->addWidget(ListViewEditorCmds);
    resize(320, 500);
}

void TfrmEditorCmds::Fill(TKeyStrokes &Keys, const std::function<QString(const TKeyStroke &)> &WindowCommand)
{
    if (ListViewEditorCmds->topLevelItemCount() > 0)
        return;
    for (int i = 0; i < Keys.Count(); ++i) {
        QString command, key;
        SplitCommandDisplayText(AnsiToQString(Keys.Items(i).DisplayText()), command, key);
        if (WindowCommand)
            if (const QString taken = WindowCommand(Keys.Items(i)); !taken.isEmpty())
                command = taken;
        new QTreeWidgetItem(ListViewEditorCmds, {command, key});
    }
    ListViewEditorCmds->header()->resizeSections(QHeaderView::ResizeToContents);
}
