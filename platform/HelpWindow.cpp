// The help window and its registration as the help viewer.
#include "platform/HelpWindow.h"

#include "platform/HtmlHelp.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QStringDecoder>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>

#include <chm_lib.h>
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
    // Asked from a modal dialog: the help window comes above it, or it could not be used.
    QWidget *modal = QApplication::activeModalWidget();
    const Qt::WindowModality modality = modal && modal != window ? Qt::ApplicationModal : Qt::NonModal;
    if (window->windowModality() != modality) {
        window->hide();
        window->setWindowModality(modality);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return reinterpret_cast<uintptr_t>(window);
}

} // namespace

THelpBrowser::THelpBrowser(QWidget *Parent) : QTextBrowser(Parent)
{
    setOpenLinks(true);
    setOpenExternalLinks(true);
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
    connect(FBrowser, &QTextBrowser::sourceChanged, this, [this] { UpdateTitle(); });
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
