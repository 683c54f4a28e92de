// Quillmar start-up. Until the main window with its tabs exists, the program is one window
// holding one editor: it opens a page or script (from the command line or File > Open),
// colours it, edits it and saves it in the encoding it was read in.
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEdit.h"
#include "platform/Classes.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QStatusBar>

namespace {

TColor ToBGR(const QColor &c)
{
    return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) | (static_cast<TColor>(c.blue()) << 16);
}

void Paint(THighlightAttributes &a, TColor foreground, THighlightFontStyles style = 0)
{
    a.SetForeground(foreground);
    a.SetStyle(style);
}

class TEditorWindow : public QMainWindow {
public:
    TEditorWindow()
    {
        SetHighlightColorResolver([](TColor c) {
            const QPalette p = QApplication::palette();
            return c == HighlightWindowColor ? ToBGR(p.color(QPalette::Base)) : ToBGR(p.color(QPalette::Text));
        });
        // Colours are 0x00BBGGRR.
        Paint(FJavaScript.CommentAttributes(), 0x008000, hfsItalic);
        Paint(FJavaScript.KeyAttributes(), 0x800000, hfsBold);
        Paint(FJavaScript.StringAttributes(), 0x0000C0);
        Paint(FJavaScript.NumberAttributes(), 0x808000);
        Paint(FHTML.KeyAttributes(), 0x800000, hfsBold);
        Paint(FHTML.ParamAttributes(), 0x800080);
        Paint(FHTML.StringAttributes(), 0xC00000);
        Paint(FHTML.CommentAttributes(), 0x008000, hfsItalic);
        Paint(FHTML.DocTypeAttributes(), 0x808080);
        Paint(FHTML.NumberAttributes(), 0x808000);
        Paint(FHTML.ScriptAttributes(), 0x008080);
        FHTML.SetJavaScriptHighLighter(&FJavaScript);

        FEditor = new TSyntaxEdit(this);
        FEditor->SetHighLighter(&FHTML);
        setCentralWidget(FEditor);
        FEditor->OnChange = [this](TSyntaxEditCore &) { UpdateTitle(); };

        QMenu *file = menuBar()->addMenu("&File");
        file->addAction("&Open...", QKeySequence::Open, this, [this] { Open(); });
        file->addAction("&Save", QKeySequence::Save, this, [this] { Save(FileName()); });
        file->addAction("Save &As...", QKeySequence::SaveAs, this, [this] { Save(QString()); });
        file->addSeparator();
        file->addAction("E&xit", QKeySequence::Quit, this, [this] { close(); });
        resize(900, 640);
        UpdateTitle();
    }

    bool Load(const QString &path)
    {
        try {
            if (!FEditor->LoadFromFile(ToWideString(QFileInfo(path).absoluteFilePath()), fmShareDenyWrite)) {
                QMessageBox::warning(this, "Quillmar", "File '" + path + "' cannot be opened");
                return false;
            }
        } catch (const Exception &e) {
            QMessageBox::warning(this, "Quillmar", "Error opening " + path + " - " + AnsiToQString(e.Message()));
            return false;
        }
        const QString ext = QFileInfo(path).suffix().toLower();
        FEditor->SetHighLighter(ext == "js" ? static_cast<TSyntaxHighlighter *>(&FJavaScript) : &FHTML);
        UpdateTitle();
        return true;
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (!FEditor->GetModified()) {
            event->accept();
            return;
        }
        const auto answer = QMessageBox::question(this, "Quillmar", "Save changes to " + DisplayName() + "?",
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !Save(FileName())))
            event->ignore();
        else
            event->accept();
    }

private:
    QString FileName() const { return ToQString(FEditor->FileName()); }
    QString DisplayName() const { return FileName().isEmpty() ? QString("Untitled") : QFileInfo(FileName()).fileName(); }

    void UpdateTitle()
    {
        setWindowTitle("Quillmar - " + DisplayName() + (FEditor->GetModified() ? "*" : ""));
    }

    void Open()
    {
        const QString path = QFileDialog::getOpenFileName(this, "Open", QString(),
                                                          "Web files (*.htm *.html *.js *.asp *.css *.php);;All files (*)");
        if (!path.isEmpty())
            Load(path);
    }

    bool Save(QString path)
    {
        if (path.isEmpty())
            path = QFileDialog::getSaveFileName(this, "Save as", FileName());
        if (path.isEmpty())
            return false;
        try {
            if (!FEditor->SaveToFile(ToWideString(path))) {
                QMessageBox::warning(this, "Quillmar", "The file was not saved: " + path);
                return false;
            }
        } catch (const Exception &e) {
            QMessageBox::warning(this, "Quillmar", "Error saving " + path + " - " + AnsiToQString(e.Message()));
            return false;
        }
        UpdateTitle();
        return true;
    }

    TJavaScriptHighlighter FJavaScript;
    THTMLHighlighter FHTML;
    TSyntaxEdit *FEditor = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    TGuardedApplication app(argc, argv);
    QApplication::setApplicationName("Quillmar");
    TEditorWindow window;
    window.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && args[1] != "log")
        window.Load(args[1]);
    return app.exec();
}
