#pragma once
// The FTP load and save dialog: loads one remote file into the active editor tab or saves the
// active tab's text to the server, through its waiting FTP client. A log at the bottom shows the
// client's trace and the outcome of each request.
#include "net/FtpCli.h"
#include "platform/Classes.h"
#include "platform/Types.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TEditorTab;
class TfrmQuillmarMain;

// Whether bytes received in ASCII mode are UTF-16 text: a byte-order mark, or zero bytes that
// stand beside the characters as UTF-16 puts them (looked for in the first 1024 bytes).
bool LooksLikeUtf16(const char *Data, size_t Size);

// Appends Line to a log memo: more than 200 lines first lose their oldest 50; the memo then
// scrolls to its end.
void AddLogLine(QPlainTextEdit &Memo, const QString &Line);

class TfrmFTP : public QDialog {
public:
    explicit TfrmFTP(TfrmQuillmarMain &Main);
    ~TfrmFTP() override;

    QLabel *Label7 = nullptr;
    QLineEdit *HostNameEdit = nullptr;
    QLineEdit *PortEdit = nullptr;
    QLineEdit *UserNameEdit = nullptr;
    QLineEdit *PasswordEdit = nullptr;
    QLineEdit *HostDirEdit = nullptr;
    QLineEdit *HostFileEdit = nullptr;
    QCheckBox *BinaryCheckBox = nullptr;
    QCheckBox *PassiveCheckBox = nullptr;
    QPushButton *LoadButton = nullptr;
    QPushButton *SaveButton = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *ClearButton = nullptr;
    QPlainTextEdit *DisplayMemo = nullptr;
    TFtpClient FtpClient1;

    // A load that grows past this many bytes is aborted (an editor cannot hold more text).
    int64_t MaxLoadBytes;

    void FormCreate();
    void FormShow();
    void LoadButtonClick();
    void SaveButtonClick();
    void ClearButtonClick();
    void AddDisplayLine(const QString &Text);
    // Whether the server named in Host Name can be reached (its own network always can).
    bool IsConnected();
    // Whether the active tab may receive the remote file named RemoteName (asks the user where
    // needed).
    bool CheckTargetTab(const WideString &RemoteName);
    // "FTP " + user + "@" + host + directory + file, from the edits as they stand.
    WideString RemoteName() const;
    // The log's lines, for a look from outside.
    QStringList LogLines() const;

protected:
    void showEvent(QShowEvent *Event) override;

private:
    void FtpClient1SessionConnected(uint16_t Error);
    void FtpClient1SessionClosed(uint16_t Error);
    void FtpClient1RequestDone(TFtpRequest RqType, uint16_t Error);
    void PrepareClient(TStream &Stream);
    // Receives the remote file into Stream; false (logged) when the transfer failed.
    bool ReceiveInto(TMemoryStream &Stream, bool Binary);
    int TabIndexOf(const TEditorTab *Tab) const;
    void SetBusy(bool Busy);
    // The bytes a tab was last loaded from or saved as by this dialog. While they read as the
    // very text the tab shows, saving the tab sends them back as they came, with every line end
    // and mark of the file, where the text writer would write one kind of line end throughout.
    void KeepRemoteBytes(TEditorTab *Tab, std::string Bytes);
    const std::string *UnchangedRemoteBytes(const TEditorTab *Tab) const;
    struct TRemoteBytes {
        QPointer<TEditorTab> Tab;
        std::string Bytes;
    };
    std::vector<TRemoteBytes> FRemoteBytes;

    TfrmQuillmarMain &FMain;
};
