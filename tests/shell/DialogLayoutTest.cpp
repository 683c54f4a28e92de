// No text of the program's dialogs is cut or covered: every label, button, group box title and
// tab has the room its text needs and no two of them overlap, at the desktop's font and at one
// and a half times its size. Each window is shown as the user opens it, from the main window.
// With QUILLMAR_SCREENSHOT_DIR set, a picture of each is saved there.
#include "tests/shell/MainWindowSupport.h"

#include "controls/FileDialogs.h"
#include "controls/TreeNT.h"
#include "controls/TreeNTNode.h"
#include "controls/TreeNTNodes.h"
#include "print/PrintAction.h"
#include "print/PrintForm.h"
#include "shell/DirectoryTab.h"
#include "shell/InsertDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

QString LayoutDescribe(const QWidget *W, const QString &Text)
{
    return QStringLiteral("%1 %2 \"%3\"").arg(QString::fromLatin1(W->metaObject()->className()), W->objectName(), Text);
}

// The texts of Window that do not fit their widget, or whose widgets overlap, one line each.
QStringList ClippedTexts(QWidget &Window, bool CheckOverlaps = true)
{
    QStringList r;
    auto need = [&](const QWidget *W, const QString &Text, QSize Needed) {
        if (Needed.width() > W->width() || Needed.height() > W->height())
            r << QStringLiteral("%1 needs %2x%3, has %4x%5")
                     .arg(LayoutDescribe(W, Text))
                     .arg(Needed.width())
                     .arg(Needed.height())
                     .arg(W->width())
                     .arg(W->height());
    };
    std::vector<QWidget *> texts;
    for (QWidget *w : Window.findChildren<QWidget *>()) {
        if (w->window() != &Window || !w->isVisibleTo(&Window))
            continue;
        if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->text().isEmpty())
                continue;
            texts.push_back(l);
            need(l, l->text(),
                 l->wordWrap() ? QSize(l->minimumSizeHint().width(), l->heightForWidth(l->width())) : l->sizeHint());
        } else if (qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w)) {
            texts.push_back(w);
            need(w, static_cast<QAbstractButton *>(w)->text(), w->sizeHint());
        } else if (auto *b = qobject_cast<QPushButton *>(w)) {
            QString text = b->text();
            text.remove(QLatin1Char('&'));
            texts.push_back(b);
            need(b, b->text(), QSize(b->fontMetrics().horizontalAdvance(text) + 8, b->fontMetrics().height()));
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            need(g, g->title(), g->minimumSizeHint());
        } else if (auto *t = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < t->count(); ++i) {
                QString text = t->tabText(i);
                text.remove(QLatin1Char('&'));
                const QSize textSize(t->fontMetrics().horizontalAdvance(text) + 8, t->fontMetrics().height());
                if (textSize.width() > t->tabRect(i).width() || textSize.height() > t->tabRect(i).height())
                    r << QStringLiteral("%1 tab %2 is %3 wide, its text needs %4")
                             .arg(LayoutDescribe(t, text))
                             .arg(i)
                             .arg(t->tabRect(i).width())
                             .arg(textSize.width());
            }
        }
    }
    // Group boxes stand over other widgets of their parent only by mistake (a title over a field).
    if (CheckOverlaps) {
        for (QGroupBox *g : Window.findChildren<QGroupBox *>())
            if (g->isVisibleTo(&Window))
                texts.push_back(g);
        for (size_t i = 0; i < texts.size(); ++i)
            for (size_t j = i + 1; j < texts.size(); ++j) {
                QWidget *a = texts[i], *b = texts[j];
                if (a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
                    r << LayoutDescribe(a, QString()) + QStringLiteral(" overlaps ") + LayoutDescribe(b, QString());
            }
    }
    if (Window.isWindow() && !Window.windowTitle().isEmpty()) {
        QFont title = Window.font();
        title.setBold(true);
        const int caption = QFontMetrics(title).horizontalAdvance(Window.windowTitle()) + 100;
        if (caption > Window.width())
            r << QStringLiteral("caption \"%1\" needs %2, the window is %3 wide")
                     .arg(Window.windowTitle())
                     .arg(caption)
                     .arg(Window.width());
    }
    return r;
}

void LayoutShot(QWidget &Window, const QString &Name)
{
    if (const char *dir = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
        Window.grab().save(QStringLiteral("%1/%2.png").arg(QString::fromLocal8Bit(dir), Name));
}

// Sets the application's font to Scale times the desktop's for the life of the object.
class TLayoutFontScale {
public:
    explicit TLayoutFontScale(double Scale) : FOld(QApplication::font())
    {
        QFont f = FOld;
        f.setPointSizeF(FOld.pointSizeF() * Scale);
        QApplication::setFont(f);
    }
    ~TLayoutFontScale() { QApplication::setFont(FOld); }

private:
    QFont FOld;
};

// Runs Open (which shows a modal dialog) and checks the dialog when it is up.
void CheckModalLayout(const std::function<void()> &Open, const QString &Name, bool CheckOverlaps = true)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr) << Name.toStdString();
        seen = true;
        QApplication::processEvents();
        LayoutShot(*dialog, Name);
        const QStringList clipped = ClippedTexts(*dialog, CheckOverlaps);
        EXPECT_TRUE(clipped.isEmpty()) << Name.toStdString() << ":\n" << clipped.join('\n').toStdString();
        if (auto *d = qobject_cast<QDialog *>(dialog))
            d->reject();
    });
    Open();
    EXPECT_TRUE(seen) << Name.toStdString() << " was not shown";
}

} // namespace

TEST(DialogLayout, NoTextIsCutOrCoveredAtEitherFontSize)
{
    for (const double scale : {1.0, 1.5}) {
        SCOPED_TRACE("font size x" + std::to_string(scale));
        const QString suffix = scale == 1.0 ? QString() : QStringLiteral("-large");
        TLayoutFontScale font(scale);
        TWindowFixture f;
        const QString page = f.Put(QStringLiteral("index.html"), "<html>\n<body>\n</body>\n</html>\n");
        f.Window->OpenFile(W(page), false, false, WideString());
        f.Window->resize(900, 640);
        f.Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f.Window.get()));

        // The insert dialogs and the image dialog, as the menus show them.
        for (const char *item :
             {"Messageboxalertconfirmprompt1", "Table1", "Lists1", "AnchorsAHREF1", "Imagenew1"})
            CheckModalLayout([&] { f.Window->Action(QString::fromLatin1(item))->trigger(); },
                       QString::fromLatin1(item) + suffix);

        // The FTP dialog, the newer-version check and the about box, from their menu items.
        for (const char *item : {"FTPAction", "Checkfornewerversion1", "AboutQuillmar1"})
            CheckModalLayout([&] { f.Window->Action(QString::fromLatin1(item))->trigger(); },
                       QString::fromLatin1(item) + suffix);

        // The print dialog.
        f.Window->Printing().RunModal = [](QDialog &Dialog) { return Dialog.exec(); };
        CheckModalLayout([&] { f.Window->Action(QStringLiteral("PrintAction"))->trigger(); },
                   QStringLiteral("print") + suffix);

        // The navigation tabs with the Dir tab's page.
        QTabWidget *nav = f.Window->PageControlNav;
        nav->setCurrentWidget(f.Window->TabSheetFiles);
        QApplication::processEvents();
        LayoutShot(*nav, QStringLiteral("dir-tab") + suffix);
        const QStringList clipped = ClippedTexts(*f.Window->TabSheetFiles) + ClippedTexts(*nav->tabBar());
        EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
        // The tree's hint line stands whole in the panel.
        TTreeNT &tree = *f.Window->TabSheetFiles->TreeNTFiles;
        const TNodeRect hint = tree.NodeDisplayRect(tree.Items().GetFirstNode(), true);
        EXPECT_GT(hint.Right, hint.Left);
        EXPECT_LE(hint.Right, tree.viewport()->width()) << "the hint line is cut";

        // The open dialog in its detail view: every date is shown whole.
        f.Put(QStringLiteral("other.js"), "var a;\n");
        TEOpenDialog open(f.Window.get());
        open.SetInitialDir(ToLocalPath(f.Dir.path()));
        QTimer::singleShot(0, [&] {
            QFileDialog *d = open.Dialog();
            ASSERT_NE(d, nullptr);
            d->setViewMode(QFileDialog::Detail);
            auto *view = d->findChild<QTreeView *>(QStringLiteral("treeView"));
            ASSERT_NE(view, nullptr);
            for (int wait = 0; wait < 200 && view->model()->rowCount(view->rootIndex()) < 2; ++wait)
                QTest::qWait(50);
            ASSERT_GE(view->model()->rowCount(view->rootIndex()), 2);
            QApplication::processEvents();
            LayoutShot(*d, QStringLiteral("open-dialog") + suffix);
            const int margin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
                const QString date = view->model()->index(row, 3, view->rootIndex()).data().toString();
                EXPECT_LE(view->fontMetrics().horizontalAdvance(date) + margin, view->header()->sectionSize(3))
                    << date.toStdString();
            }
            d->reject();
        });
        open.Execute();
    }
}
