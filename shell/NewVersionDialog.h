#pragma once
// The newer-version check: fetches the short version text from the product's web site, compares
// it with this program's version and offers to open the download of a newer release.
#include "net/HttpProt.h"
#include "platform/Types.h"
#include "shell/Version.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TfrmQuillmarMain;


// The version text of a fetched body: of its first four bytes, the full stops and digits in order.
QString VersionFromBody(const std::string &Body);
// Whether Version is greater than Own, comparing the dot-separated numbers one by one as numbers.
bool IsNewerVersion(const QString &Version, const QString &Own);
// The download address of Version: Folder + "Quillmar" + the version without its full stops + ".zip".
QString DownloadLink(const QString &Folder, const QString &Version);

class TfrmNewVersion : public QDialog {
public:
    explicit TfrmNewVersion(TfrmQuillmarMain &Main);

    QLabel *Label1 = nullptr;
    QPushButton *ButtonChkVers = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPlainTextEdit *DisplayMemo = nullptr;
    THttpCli HttpCli1;

    void FormShow();
    void ButtonChkVersClick();
    // Whether the version file's server can be reached.
    bool Conn2Internet();
    void AddDisplayLine(const QString &Text);
    QStringList LogLines() const;

protected:
    void showEvent(QShowEvent *Event) override;

private:
    TfrmQuillmarMain &FMain;
};
