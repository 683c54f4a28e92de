// The help window and its registration as the help viewer.
#include "platform/HelpWindow.h"

#include "platform/GuardedApplication.h"
#include "platform/HtmlHelp.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QDesktopServices>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QFileInfo>
#include <QPointer>
#include <QStringDecoder>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>

#include <chm_lib.h>
#include <algorithm>
#include <dlfcn.h>

namespace {

const QString Scheme = QStringLiteral("chm");

QUrl TopicUrl(const QString &ObjectPath)
{
    QUrl url;
    url.setScheme(Scheme);
    url.setPath(ObjectPath);
    return url;
}

QPointer<THelpWindow> &TheWindow()
{
    static QPointer<THelpWindow> window;
    return window;
}

// "file::/topic>window" into its file and topic.
void SplitHelpURL(const AnsiString &URL, QString &File, QString &Topic)
{
    std::string s = URL;
    if (const size_t gt = s.find('>'); gt != std::string::npos)
        s.erase(gt);
    const size_t sep = s.find("::");
    File = QString::fromStdString(s.substr(0, sep));
    Topic = sep == std::string::npos ? QString() : QString::fromStdString(s.substr(sep + 2));
}

// Keeps the help window whole on the screen of Near (or the primary screen): smaller than the
// screen's free area, and inside it. The first time it is shown it stands over Near's centre.
void PlaceOnScreen(THelpWindow &Window, const QWidget *Near)
{
    QScreen *screen = Near ? Near->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    // The frame the window manager adds is not known before the first showing.
    const QMargins frame = Window.isVisible()
                               ? QMargins(Window.geometry().left() - Window.frameGeometry().left(),
                                          Window.geometry().top() - Window.frameGeometry().top(),
                                          Window.frameGeometry().right() - Window.geometry().right(),
                                          Window.frameGeometry().bottom() - Window.geometry().bottom())
                               : QMargins(8, 32, 8, 8);
    const QRect inner = free.marginsRemoved(frame);
    QRect g = Window.geometry();
    g.setSize(g.size().boundedTo(inner.size()));
    if (!Window.property("QuillmarPlaced").toBool()) {
        Window.setProperty("QuillmarPlaced", true);
        g.moveCenter(Near ? Near->frameGeometry().center() : inner.center());
    }
    g.moveLeft(std::clamp(g.left(), inner.left(), inner.right() + 1 - g.width()));
    g.moveTop(std::clamp(g.top(), inner.top(), inner.bottom() + 1 - g.height()));
    Window.setGeometry(g);
}

uintptr_t HelpWindowProc(const AnsiString *URL, unsigned Command, uintptr_t Data)
{
    if (Command == HH_CLOSE_ALL) {
        delete TheWindow().data();
        return 0;
    }
    if (Command != HH_HELP_CONTEXT || !URL)
        return 0;
    QString file, topic;
    SplitHelpURL(*URL, file, topic);
    if (!TheWindow())
        TheWindow() = new THelpWindow();
    THelpWindow *window = TheWindow();
    if (!window->OpenFile(file) || !window->ShowContext(uint32_t(Data)))
        return 0;
    // Asked from a modal dialog, the help window becomes a window of that dialog: a modal dialog
    // blocks every window but its own, and a help window that were modal itself would block the
    // dialog until it was closed. Both stay usable side by side; once the dialog is done the
    // help window is a window of its own again.
    QWidget *modal = QApplication::activeModalWidget();
    QWidget *owner = modal && modal != window && !window->isAncestorOf(modal) ? modal : nullptr;
    if (window->parentWidget() != owner) {
        const bool shown = window->isVisible();
        const QPoint at = window->pos();
        window->setParent(owner, window->windowFlags() | Qt::Window);
        if (shown)
            window->move(at);
        if (auto *dialog = qobject_cast<QDialog *>(owner)) {
            QPointer<THelpWindow> help(window);
            QObject::connect(
                dialog, &QDialog::finished, window,
                GuardedSlot([help, dialog] {
                    if (!help || help->parentWidget() != dialog)
                        return;
                    const bool visible = help->isVisible();
                    const QPoint pos = help->pos();
                    help->setParent(nullptr, help->windowFlags() | Qt::Window);
                    help->move(pos);
                    if (visible)
                        help->show();
                }),
                Qt::SingleShotConnection);
        }
    }
    PlaceOnScreen(*window, owner ? owner : QApplication::activeWindow());
    window->show();
    window->raise();
    window->activateWindow();
    return reinterpret_cast<uintptr_t>(window);
}

} // namespace

THelpBrowser::THelpBrowser(QWidget *Parent) : QTextBrowser(Parent)
{
    // The browser's own link handling hands every link of another scheme than file: to the
    // desktop, the help file's own chm: links included: links are followed here instead.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, GuardedSlot([this](const QUrl &Url) { FollowLink(Url); }));
}

void THelpBrowser::FollowLink(const QUrl &Url)
{
    const QString scheme = Url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (OnOpenExternal)
            OnOpenExternal(Url);
        else
            QDesktopServices::openUrl(Url);
        return;
    }
    // A link inside the help file; one to an object the file lacks, or of any other scheme
    // (mail, local files, script) leads nowhere and leaves the topic shown.
    if (scheme == Scheme && FFile && FFile->Exists(Url.path().toStdString()))
        setSource(Url, QTextDocument::HtmlResource);
}

QVariant THelpBrowser::loadResource(int Type, const QUrl &Name)
{
    if (Name.scheme() != Scheme)
        return QVariant();
    std::string bytes;
    if (!FFile || !FFile->Read(Name.path().toStdString(), bytes))
        return QVariant();
    QByteArray data(bytes.data(), qsizetype(bytes.size()));
    if (Type == QTextDocument::HtmlResource) {
        // Topics are UTF-8; one that is not reads as Latin-1 rather than losing characters.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(data);
        if (utf8.hasError())
            text = QString::fromLatin1(data);
        return text;
    }
    return data;
}

THelpWindow::THelpWindow()
{
    setObjectName(QStringLiteral("THelpWindow"));
    // The help window never keeps the program running by itself.
    setAttribute(Qt::WA_QuitOnClose, false);
    FBrowser = new THelpBrowser(this);
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    setCentralWidget(FBrowser);

    QToolBar *bar = addToolBar(QStringLiteral("Help"));
    bar->setMovable(false);
    QAction *back = bar->addAction(QStringLiteral("Back"), FBrowser, &QTextBrowser::backward);
    QAction *forward = bar->addAction(QStringLiteral("Forward"), FBrowser, &QTextBrowser::forward);
    bar->addAction(QStringLiteral("Contents"), this, [this] {
        if (FFile && !FFile->DefaultTopic().empty())
            ShowTopic(QString::fromStdString(FFile->DefaultTopic()));
    });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(FBrowser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(FBrowser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(FBrowser, &QTextBrowser::sourceChanged, this, GuardedSlot([this] { UpdateTitle(); }));
    resize(640, 520);
}

THelpWindow::~THelpWindow()
{
    // The browser goes before the file it reads from.
    delete FBrowser;
    FBrowser = nullptr;
}

bool THelpWindow::OpenFile(const QString &Path)
{
    const QString full = QFileInfo(Path).absoluteFilePath();
    if (FFile && QString::fromStdString(FFile->Path()) == full)
        return true;
    auto file = std::make_unique<TChmFile>(full.toStdString());
    if (!file->IsOpen())
        return false;
    FBrowser->SetFile(file.get());
    FBrowser->clearHistory();
    FBrowser->clear();
    FFile = std::move(file);
    UpdateTitle();
    return true;
}

bool THelpWindow::ShowContext(uint32_t Context)
{
    if (!FFile)
        return false;
    const AnsiString topic = FFile->TopicOfContext(Context);
    return !topic.empty() && ShowTopic(QString::fromStdString(topic));
}

bool THelpWindow::ShowTopic(const QString &ObjectPath)
{
    if (!FFile || !FFile->Exists(ObjectPath.toStdString()))
        return false;
    FBrowser->setSource(TopicUrl(ObjectPath), QTextDocument::HtmlResource);
    return true;
}

QString THelpWindow::TopicTitle() const
{
    return FBrowser->documentTitle();
}

QString THelpWindow::CurrentTopic() const
{
    return FBrowser->source().path();
}

void THelpWindow::UpdateTitle()
{
    QString title = FFile ? QString::fromStdString(FFile->Title()) : QString();
    if (title.isEmpty() && FFile)
        title = QFileInfo(QString::fromStdString(FFile->Path())).fileName();
    const QString topic = TopicTitle();
    setWindowTitle(topic.isEmpty() ? title : topic + QStringLiteral(" - ") + title);
}

AnsiString HelpLibraryPath()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void *>(&chm_open), &info) == 0 || !info.dli_fname)
        return AnsiString();
    return info.dli_fname;
}

void InstallHelpWindow()
{
    SetHtmlHelpProc(HelpWindowProc);
}

THelpWindow *CurrentHelpWindow()
{
    return TheWindow();
}
