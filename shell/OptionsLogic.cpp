#include "shell/OptionsLogic.h"

#include "platform/AtomicSave.h"
#include "platform/QtConvert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const char *const HtmlTypes = "text/html;application/xhtml+xml;";
const char *const JsTypes = "application/javascript;text/javascript;";

// One argument of an Exec line: quoted, with the characters the quoting reserves escaped, then
// escaped once more as a string value of the entry.
std::string ExecArgument(const QString &Argument)
{
    std::string quoted = "\"";
    for (const char c : Argument.toStdString()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string r;
    for (const char c : quoted) {
        if (c == '\\')
            r += "\\\\";
        else if (c == '%')
            r += "%%";
        else
            r += c;
    }
    return r;
}

} // namespace

TBrowserEnvironment TBrowserEnvironment::System()
{
    TBrowserEnvironment e;
    e.DefaultBrowser = [] {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-settings")).isEmpty())
            return QString();
        QProcess p;
        p.start(QStringLiteral("xdg-settings"), {QStringLiteral("get"), QStringLiteral("default-web-browser")});
        if (!p.waitForFinished(3000)) {
            p.kill();
            p.waitForFinished(1000);
            return QString();
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return QString();
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    };
    e.FindExecutable = [](const QString &Name) { return QStandardPaths::findExecutable(Name); };
    return e;
}

const std::vector<QString> &KnownBrowsers()
{
    static const std::vector<QString> names = {
        QStringLiteral("firefox"),          QStringLiteral("firefox-esr"), QStringLiteral("chromium"),
        QStringLiteral("epiphany-browser"), QStringLiteral("falkon"),      QStringLiteral("konqueror"),
        QStringLiteral("qutebrowser"),      QStringLiteral("midori"),      QStringLiteral("opera"),
    };
    return names;
}

TBrowserDetection DetectBrowsers(const TBrowserEnvironment &Environment)
{
    TBrowserDetection d;
    if (Environment.DefaultBrowser)
        d.DefaultCommand = ToWideString(Environment.DefaultBrowser());
    if (Environment.FindExecutable)
        for (const QString &name : KnownBrowsers())
            if (!Environment.FindExecutable(name).isEmpty())
                d.Browsers.push_back(ToWideString(name));
    return d;
}

WideString DefaultBrowserCaption(const WideString &Command)
{
    QString program = ToQString(Command);
    const int slash = std::max(program.lastIndexOf(QLatin1Char('/')), program.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        program = program.mid(slash + 1);
    for (const QString &end : {QStringLiteral(".exe"), QStringLiteral(".desktop")}) {
        const int at = program.indexOf(end, 0, Qt::CaseInsensitive);
        if (at >= 0)
            program.truncate(at);
    }
    return u"Use default (system) browser - " + ToWideString(program);
}

int NumberOr(const QString &Text, int Fallback)
{
    bool ok = false;
    const int n = Text.trimmed().toInt(&ok);
    return ok ? n : Fallback;
}

void RestoreJavascriptDefaults(TJavascriptColours &C, int EditorBackground)
{
    C.CommentBG = C.NumbersBG = C.StringsBG = C.KeywordsBG = EditorBackground;
    C.CommentFG = 0xFF00FF;
    C.NumbersFG = 0x79BF62;
    C.StringsFG = 0x0000FF;
    C.KeywordsFG = 0;
    C.CommentStyle = 2;
    C.KeywordsStyle = 1;
    C.NumbersStyle = C.StringsStyle = 0;
}

void RestoreHTMLDefaults(THTMLColours &C, int EditorBackground)
{
    C.CommentBG = C.NumberBG = C.StringsBG = C.TagsBG = C.ScriptBG = C.NamesBG = EditorBackground;
    C.CommentFG = 0xFF00FF;
    C.NumbersFG = 0x79BF62;
    C.StringsFG = 0x0000FF;
    C.TagsFG = 0;
    C.ScriptFG = 0x37949B;
    C.NamesFG = 0xFF0000;
    C.CommentStyle = 2;
    C.TagsStyle = 1;
    C.NumbersStyle = C.StringsStyle = C.ScriptStyle = C.NamesStyle = 0;
}

TAppColours DefaultAppColours()
{
    return TAppColours{0xFFFFFF, 0xE9F5DE, 0xE9F5DE, 0xC9E9E9, 0x00FFFF};
}

// ============================================================================ desktop entry

QString UserDataFolder()
{
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    if (!env.isEmpty() && QDir::isAbsolutePath(env))
        return env;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString AssociationFile(const QString &DataFolder)
{
    return DataFolder + QStringLiteral("/applications/quillmar-edit.desktop");
}

std::string AssociationEntryText(const QString &Program, TAssociations Kinds)
{
    std::string types;
    if (Kinds.Html)
        types += HtmlTypes;
    if (Kinds.Js)
        types += JsTypes;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Edit with Quillmar\n"
           "Comment=Edit web pages and scripts\n"
           "Exec=" +
           ExecArgument(Program) +
           " %F\n"
           "MimeType=" +
           types +
           "\n"
           "NoDisplay=true\n"
           "Terminal=false\n";
}

TAssociations ReadAssociations(const QString &DataFolder)
{
    TAssociations a;
    QFile f(AssociationFile(DataFolder));
    if (!f.open(QIODevice::ReadOnly))
        return a;
    // The entry is small; a damaged or huge file is read only as far as its first lines.
    for (int n = 0; n < 200 && !f.atEnd(); ++n) {
        const QByteArray line = f.readLine(4096).trimmed();
        if (!line.startsWith("MimeType="))
            continue;
        const QList<QByteArray> types = line.mid(9).split(';');
        a.Html = types.contains("text/html");
        a.Js = types.contains("application/javascript");
    }
    return a;
}

bool WriteAssociations(const QString &DataFolder, const QString &Program, TAssociations Was, TAssociations Now,
                       QString &Error)
{
    if (Now == Was)
        return true;
    const QString file = AssociationFile(DataFolder);
    if (!Now.Html && !Now.Js) {
        if (QFileInfo::exists(file) && !QFile::remove(file)) {
            Error = QStringLiteral("Cannot remove ") + file;
            return false;
        }
        return true;
    }
    for (const QChar c : Program)
        if (c.unicode() < 0x20) {
            Error = QStringLiteral("The program's path holds a control character");
            return false;
        }
    if (!QDir().mkpath(QFileInfo(file).path())) {
        Error = QStringLiteral("Cannot create the folder of ") + file;
        return false;
    }
    const std::string text = AssociationEntryText(Program, Now);
    try {
        TAtomicSave::SaveFile(ToLocalPath(file), text.data(), text.size());
    } catch (const EStreamError &) {
        Error = QStringLiteral("Cannot write ") + file; // the entry stays as it was
        return false;
    }
    return true;
}
