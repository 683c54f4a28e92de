#include "shell/FtpDialog.h"
#include "shell/CenterOnParent.h"

#include "controls/DebugLog.h"
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "net/Connectivity.h"
#include "platform/Classes.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include "shell/DirectoryTab.h"
#include "shell/MainWindow.h"
#include "text/WideStrings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSysInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

bool LooksLikeUtf16(const char *Data, size_t Size)
{
    if (Size >= 2 && ((Data[0] == '\xFF' && Data[1] == '\xFE') || (Data[0] == '\xFE' && Data[1] == '\xFF')))
        return true;
    // Without a mark: text in UTF-16 has a zero byte beside most Latin characters, while text in
    // an 8-bit encoding has none. A zero at least every fourth byte, nearly always standing alone
    // (line-break rewriting may shift which half of a pair it is in), shows UTF-16.
    const size_t n = std::min<size_t>(Size, 1024);
    if (n < 4)
        return false;
    size_t zeros = 0, paired = 0;
    for (size_t i = 0; i < n; ++i) {
        if (Data[i] != '\0')
            continue;
        ++zeros;
        if (i + 1 < n && Data[i + 1] == '\0')
            ++paired;
    }
    return zeros * 4 >= n && paired * 10 <= zeros;
}

void AddLogLine(QPlainTextEdit &Memo, const QString &Line)
{
    QTextDocument *doc = Memo.document();
    const int lines = doc->isEmpty() ? 0 : doc->blockCount();
    if (lines > 200) {
        // More than 200 lines: drop the oldest 50 first.
        QTextCursor c(doc);
        c.movePosition(QTextCursor::Start);
        c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, 50);
        c.removeSelectedText();
    }
    Memo.appendPlainText(Line);
    Memo.verticalScrollBar()->setValue(Memo.verticalScrollBar()->maximum());
}

namespace {

QLineEdit *AddEdit(QGridLayout &Grid, int Row, int Column, const QString &Caption, const char *Name)
{
    auto *label = new QLabel(Caption);
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(Name));
    label->setBuddy(edit);
    Grid.addWidget(label, Row, Column);
    Grid.addWidget(edit, Row, Column + 1);
    return edit;
}

AnsiString Utf8(const QLineEdit *Edit)
{
    return Edit->text().toStdString();
}

// Whether two lists hold the same text written the same way: lines, encoding, mark, line end.
bool SameWrittenText(const TWideStrings &A, const TWideStrings &B)
{
    if (A.Count() != B.Count() || A.Encoding() != B.Encoding() || A.ByteOrderMark() != B.ByteOrderMark() ||
        A.LineBreakStyle() != B.LineBreakStyle() || A.FinalLineBreak() != B.FinalLineBreak())
        return false;
    for (int i = 0; i < A.Count(); ++i)
        if (TWideLine::View(A[i]) != TWideLine::View(B[i]))
            return false;
    return true;
}

std::string StreamBytes(TMemoryStream &Stream)
{
    return std::string(reinterpret_cast<const char *>(Stream.Memory()), size_t(Stream.GetSize()));
}

} // namespace

TfrmFTP::TfrmFTP(TfrmQuillmarMain &Main) : QDialog(&Main), MaxLoadBytes(kMaxTextFileBytes), FMain(Main)
{
    setObjectName(QStringLiteral("frmFTP"));
    setWindowTitle(QStringLiteral("FTP - load/save a file from/to a remote server"));
    resize(688, 453);

    auto *top = new QVBoxLayout(this);
    Label7 = new QLabel(QStringLiteral("Note, if you are behind a \"corporate firewall\", it is unlikely you will be "
                                       "able to use this feature!"));
    Label7->setAlignment(Qt::AlignCenter);
    top->addWidget(Label7);

    auto *group = new QGroupBox(QStringLiteral(" FTP parameters "));
    auto *grid = new QGridLayout(group);
    HostNameEdit = AddEdit(*grid, 0, 0, QStringLiteral("Host Name:"), "HostNameEdit");
    PortEdit = AddEdit(*grid, 0, 2, QStringLiteral("Port:"), "PortEdit");
    PortEdit->setText(QStringLiteral("21"));
    UserNameEdit = AddEdit(*grid, 1, 0, QStringLiteral("User Name:"), "UserNameEdit");
    PasswordEdit = AddEdit(*grid, 1, 2, QStringLiteral("Password:"), "PasswordEdit");
    PasswordEdit->setEchoMode(QLineEdit::Password);
    grid->addWidget(new QLabel(QStringLiteral("(not saved)")), 1, 4);
    HostDirEdit = AddEdit(*grid, 2, 0, QStringLiteral("Host File Path:"), "HostDirEdit");
    HostFileEdit = AddEdit(*grid, 3, 0, QStringLiteral("Host File Name:"), "HostFileEdit");
    BinaryCheckBox = new QCheckBox(QStringLiteral("Binary Mode"));
    PassiveCheckBox = new QCheckBox(QStringLiteral("Passive Mode"));
    PassiveCheckBox->setChecked(true);
    grid->addWidget(BinaryCheckBox, 2, 2, 1, 2);
    grid->addWidget(PassiveCheckBox, 3, 2, 1, 2);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 1);
    top->addWidget(group);

    auto *buttons = new QHBoxLayout;
    LoadButton = new QPushButton(QStringLiteral("&Load from remote"));
    SaveButton = new QPushButton(QStringLiteral("&Save to remote"));
    BitBtn1 = new QPushButton(QStringLiteral("Close"));
    ClearButton = new QPushButton(QStringLiteral("Clear display"));
    for (QPushButton *b : {LoadButton, SaveButton, BitBtn1, ClearButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);

    DisplayMemo = new QPlainTextEdit;
    DisplayMemo->setObjectName(QStringLiteral("DisplayMemo"));
    DisplayMemo->setReadOnly(true);
    DisplayMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    DisplayMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DisplayMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    top->addWidget(DisplayMemo, 1);

    connect(LoadButton, &QPushButton::clicked, this,
            GuardedSlot([this] { TfrmQuillmarMain::Guarded([this] { LoadButtonClick(); }); }));
    connect(SaveButton, &QPushButton::clicked, this,
            GuardedSlot([this] { TfrmQuillmarMain::Guarded([this] { SaveButtonClick(); }); }));
    connect(ClearButton, &QPushButton::clicked, this, GuardedSlot([this] { ClearButtonClick(); }));
    connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this] { reject(); }));

    FtpClient1.Timeout = 15;
    FtpClient1.MultiThreaded = false;
    FtpClient1.Port = "ftp";
    FtpClient1.LocalAddr = "0.0.0.0";
    FtpClient1.DisplayFileFlag = false;
    FtpClient1.SetBinary(true);
    FtpClient1.SetShareMode(ftpShareExclusive);
    FtpClient1.Options = ftpAcceptLF;
    FtpClient1.SetConnectionType(ftpDirect);
    FtpClient1.OnSessionConnected = [this](TCustomFtpCli *, uint16_t Error) { FtpClient1SessionConnected(Error); };
    FtpClient1.OnSessionClosed = [this](TCustomFtpCli *, uint16_t Error) { FtpClient1SessionClosed(Error); };
    FtpClient1.OnRequestDone = [this](TCustomFtpCli *, TFtpRequest RqType, uint16_t Error) {
        FtpClient1RequestDone(RqType, Error);
    };
    FormCreate();
}

TfrmFTP::~TfrmFTP()
{
    FtpClient1.OnSessionConnected = nullptr;
    FtpClient1.OnSessionClosed = nullptr;
    FtpClient1.OnRequestDone = nullptr;
    FtpClient1.OnDisplay = nullptr;
}

void TfrmFTP::FormCreate()
{
    const TSettings &s = FMain.Settings;
    HostNameEdit->setText(ToQString(s.FtpHost));
    UserNameEdit->setText(ToQString(s.FtpUser));
    HostDirEdit->setText(ToQString(s.FtpDir));
    HostFileEdit->setText(ToQString(s.FtpFile));
    PortEdit->setText(ToQString(s.FtpPort));
    BinaryCheckBox->setChecked(s.FtpBinary);
    PassiveCheckBox->setChecked(s.FtpPassive);
    PasswordEdit->clear();
}

void TfrmFTP::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QDialog::showEvent(Event);
        CenterOnParent(*this);
        FormShow();
    });
}

void TfrmFTP::FormShow()
{
    // The sockets are the system's own TCP stack, reached through Qt; these lines describe it.
    AddDisplayLine(QStringLiteral("Network stack: ") + QString::fromStdString(OperatingSystemText()));
    AddDisplayLine(QStringLiteral("Qt network sockets ") + QString::fromLatin1(qVersion()));
    AddDisplayLine(QStringLiteral("Running on ") + QSysInfo::prettyProductName());
    AddDisplayLine(InternetConnectedState() ? QStringLiteral("Connected to Internet")
                                            : QStringLiteral("No current Internet connection"));
}

bool TfrmFTP::IsConnected()
{
    return InternetConnectedState(HostNameEdit->text());
}

void TfrmFTP::AddDisplayLine(const QString &Text)
{
    AddLogLine(*DisplayMemo, Text);
}

QStringList TfrmFTP::LogLines() const
{
    return DisplayMemo->toPlainText().split(QLatin1Char('\n'));
}

void TfrmFTP::ClearButtonClick()
{
    DisplayMemo->clear();
}

WideString TfrmFTP::RemoteName() const
{
    return ToWideString(QStringLiteral("FTP ") + UserNameEdit->text() + QLatin1Char('@') + HostNameEdit->text() +
                        HostDirEdit->text() + HostFileEdit->text());
}

bool TfrmFTP::CheckTargetTab(const WideString &Name)
{
    const int active = FMain.ActiveIndex();
    if (active < 0)
        return false;
    const WideString caption = FMain.DisplayName(active);
    TSyntaxEdit *activeEditor = FMain.ActiveEditor();
    int found = -1;
    for (int i = 0; i < FMain.TabCount() && found < 0; ++i)
        if (FMain.Tab(i)->Editor && FMain.Tab(i)->Editor->FileName() == Name)
            found = i;
    if (found == active)
        return MessageDlg(u"Overwrite the active editor tab with the same remote file?", TMsgDlgType::mtConfirmation,
                          mbYesNoCancel) == mrYes;
    if (found < 0) {
        // An untouched new file is simply replaced; any other tab, and a new file holding the
        // user's typing, only when the user agrees.
        if (caption.rfind(u"newfile", 0) == 0 && (!activeEditor || !activeEditor->GetModified()))
            return true;
        return MessageDlg(u"Do you want to overwrite the file " + caption + u" with this remote file?",
                          TMsgDlgType::mtConfirmation, mbYesNoCancel) == mrYes;
    }
    // The same file is never open twice, also not beside a new file.
    MessageDlg(u"Remote File: " + Name +
                   u" is already open! Quillmar does not allow the same file to be opened more "
                   u"than once.",
               TMsgDlgType::mtWarning, mbOK);
    return false;
}

void TfrmFTP::SetBusy(bool Busy)
{
    LoadButton->setEnabled(!Busy);
    SaveButton->setEnabled(!Busy);
}

int TfrmFTP::TabIndexOf(const TEditorTab *Tab) const
{
    for (int i = 0; i < FMain.TabCount(); ++i)
        if (FMain.Tab(i) == Tab)
            return i;
    return -1;
}

void TfrmFTP::PrepareClient(TStream &Stream)
{
    if (FtpClient1.Connected())
        FtpClient1.Quit();
    FtpClient1.HostName = Utf8(HostNameEdit);
    FtpClient1.Port = Utf8(PortEdit);
    FtpClient1.UserName = Utf8(UserNameEdit);
    FtpClient1.PassWord = Utf8(PasswordEdit);
    FtpClient1.HostDirName = Utf8(HostDirEdit);
    FtpClient1.HostFileName = Utf8(HostFileEdit);
    FtpClient1.SetLocalStream(&Stream);
    FtpClient1.SetBinary(BinaryCheckBox->isChecked());
    // The check box chooses how the data connection is made: passive (the client connects, as
    // firewalls and NAT routers need) or active (the server connects back).
    FtpClient1.SetPassive(PassiveCheckBox->isChecked());
    FtpClient1.OnDisplay = [this](TCustomFtpCli *, const AnsiString &Msg) { AddDisplayLine(AnsiToQString(Msg)); };
}

bool TfrmFTP::ReceiveInto(TMemoryStream &Stream, bool Binary)
{
    bool received = false;
    {
        // The wait runs the event loop: no second request may start from this window meanwhile.
        SetBusy(true);
        TScopeGuard release([this] {
            FtpClient1.SetLocalStream(nullptr);
            SetBusy(false);
        });
        PrepareClient(Stream);
        FtpClient1.SetBinary(Binary);
        bool tooLarge = false;
        FtpClient1.OnProgress = [this, &tooLarge](TCustomFtpCli *, int64_t Count, bool &Abort) {
            if (Count > MaxLoadBytes)
                Abort = tooLarge = true;
        };
        TScopeGuard noProgress([this] { FtpClient1.OnProgress = nullptr; });
        received = FtpClient1.Receive() && !tooLarge;
        if (tooLarge)
            AddDisplayLine(QStringLiteral("The remote file is larger than an editor tab can hold"));
    }
    if (!received)
        // The tab keeps its text, name and modified state; the log says what went wrong.
        AddDisplayLine(
            QStringLiteral("Load failed, the editor tab is unchanged: ") +
            AnsiToQString(FtpClient1.ErrorMessage().empty() ? FtpClient1.LastResponse() : FtpClient1.ErrorMessage()));
    return received;
}

void TfrmFTP::LoadButtonClick()
{
    TSyntaxEdit *editor = FMain.ActiveEditor();
    if (!editor)
        return;
    TEditorTab *target = FMain.ActiveTab();
    const WideString name = RemoteName();
    // A picture, an archive or a program would fill the tab with garbage: refused before anything
    // is fetched or asked, as the folder view refuses to open it.
    if (IsRefusedExtension(HostFileEdit->text())) {
        AddDisplayLine(QStringLiteral("Load refused, the editor tab is unchanged: Can only edit files that are "
                                      "plain text"));
        ShowMessage(u"Can only edit files that are plain text");
        return;
    }
    if (!CheckTargetTab(name))
        return;
    if (!IsConnected()) {
        // Nothing can be dialled here: the box only tells the user to connect and try again.
        MessageDlg(u"You are not currently connected to the intenet, try again when connected.",
                   TMsgDlgType::mtInformation, mbOK);
        return;
    }
    TMemoryStream stream;
    if (!ReceiveInto(stream, BinaryCheckBox->isChecked()))
        return;
    if (!BinaryCheckBox->isChecked() &&
        LooksLikeUtf16(reinterpret_cast<const char *>(stream.Memory()), static_cast<size_t>(stream.GetSize()))) {
        // ASCII mode has rewritten line-break bytes inside the UTF-16 characters: what arrived is
        // no longer the file. Only the exact bytes go into the tab.
        AddDisplayLine(QStringLiteral("The remote file is UTF-16 text, which ASCII mode garbles"));
        if (MessageDlg(u"The remote file " + ToWideString(HostFileEdit->text()) +
                           u" is UTF-16 text, which ASCII mode garbles. Load it again in binary mode?",
                       TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) {
            AddDisplayLine(QStringLiteral("Load cancelled, the editor tab is unchanged"));
            return;
        }
        stream.Clear();
        if (!ReceiveInto(stream, true))
            return;
    }
    // The transfer pumped events: the tab may have been closed or another one made active.
    const int index = TabIndexOf(target);
    if (index < 0) {
        AddDisplayLine(QStringLiteral("The editor tab was closed during the transfer"));
        return;
    }
    editor = target->Editor;
    stream.SetPosition(0);
    try {
        editor->Lines().LoadFromStream(stream);
    } catch (const std::exception &e) {
        AddDisplayLine(QStringLiteral("Load failed, the editor tab is unchanged: ") + QString::fromUtf8(e.what()));
        return;
    }
    editor->SetFileName(name);
    editor->SetModified(false);
    editor->ClearUndo();
    target->Record->FetchFailure.clear();
    KeepRemoteBytes(target, StreamBytes(stream));
    // The loaded file's kind decides its colouring, not what the tab showed before.
    FMain.HighlightForFile(*editor, ToWideString(HostFileEdit->text()));
    if (index == FMain.ActiveIndex())
        FMain.SetStatusPanel(2, ToQString(editor->FileName()));
    FMain.SetTabCaption(index, ToQString(DoubleAmpersands(ToWideString(HostFileEdit->text()))));
    FMain.ScheduleRefresh();
}

void TfrmFTP::SaveButtonClick()
{
    TEditorTab *target = FMain.ActiveTab();
    TSyntaxEdit *editor = FMain.ActiveEditor();
    if (!editor)
        return;
    TMemoryStream stream;
    if (const std::string *unchanged = UnchangedRemoteBytes(target)) {
        stream.WriteBuffer(unchanged->data(), int64_t(unchanged->size()));
    } else {
        // Writing the text into memory is no save: the tab is saved only once the server has it.
        const bool clears = editor->Lines().ClearModifiedOnSave();
        editor->Lines().SetClearModifiedOnSave(false);
        TScopeGuard restore([editor, clears] { editor->Lines().SetClearModifiedOnSave(clears); });
        editor->Lines().SaveToStream(stream);
        if (!editor->Lines().Saved()) {
            AddDisplayLine(QStringLiteral("Save cancelled, nothing was sent"));
            return;
        }
    }
    stream.SetPosition(0);
    bool sent = false;
    {
        SetBusy(true);
        TScopeGuard release([this] {
            FtpClient1.SetLocalStream(nullptr);
            SetBusy(false);
        });
        PrepareClient(stream);
        // ASCII mode rewrites line-break bytes, which would break UTF-16 text apart.
        if (editor->Lines().SaveUnicode() && !FtpClient1.Binary()) {
            FtpClient1.SetBinary(true);
            AddDisplayLine(QStringLiteral("Unicode text is sent in binary mode"));
        }
        sent = FtpClient1.Transmit();
    }
    if (!sent) {
        // The text is not on the server: the tab stays modified.
        AddDisplayLine(
            QStringLiteral("Save failed, the editor tab is still modified: ") +
            AnsiToQString(FtpClient1.ErrorMessage().empty() ? FtpClient1.LastResponse() : FtpClient1.ErrorMessage()));
        return;
    }
    if (TabIndexOf(target) >= 0) {
        editor->SetModified(false);
        FMain.ScheduleRefresh();
        KeepRemoteBytes(target, StreamBytes(stream));
    }
}

void TfrmFTP::KeepRemoteBytes(TEditorTab *Tab, std::string Bytes)
{
    // Entries of closed tabs go; a tab keeps only the bytes last loaded or sent.
    std::erase_if(FRemoteBytes, [Tab](const TRemoteBytes &R) { return !R.Tab || R.Tab == Tab; });
    FRemoteBytes.push_back(TRemoteBytes{Tab, std::move(Bytes)});
}

const std::string *TfrmFTP::UnchangedRemoteBytes(const TEditorTab *Tab) const
{
    if (!Tab || !Tab->Editor)
        return nullptr;
    for (const TRemoteBytes &r : FRemoteBytes) {
        if (r.Tab != Tab)
            continue;
        // The bytes are read again as a load reads them; only when they give the very text the
        // tab holds, written the same way, do they stand for it. The modified flag alone would
        // not do: a save elsewhere clears it while the text differs from the server's.
        TMemoryStream stream;
        stream.WriteBuffer(r.Bytes.data(), int64_t(r.Bytes.size()));
        stream.SetPosition(0);
        TWideStringList text;
        try {
            text.LoadFromStream(stream);
        } catch (const std::exception &) {
            return nullptr;
        }
        return SameWrittenText(text, Tab->Editor->Lines()) ? &r.Bytes : nullptr;
    }
    return nullptr;
}

void TfrmFTP::FtpClient1RequestDone(TFtpRequest RqType, uint16_t Error)
{
    AddDisplayLine(QStringLiteral("Request %1 Done.").arg(int(RqType)));
    AddDisplayLine(QStringLiteral("StatusCode = %1").arg(FtpClient1.StatusCode()));
    AddDisplayLine(QStringLiteral("LastResponse was : '") + AnsiToQString(FtpClient1.LastResponse()) +
                   QLatin1Char('\''));
    if (Error != 0) {
        AddDisplayLine(QStringLiteral("Error = %1 (").arg(Error) + AnsiToQString(FtpClient1.ErrorMessage()) +
                       QLatin1Char(')'));
        return;
    }
    AddDisplayLine(QStringLiteral("No error"));
    const int code = int(RqType);
    if (code == 4 || code == 22 || code == 32 || code == 34)
        AddDisplayLine(QStringLiteral("Directory is \"") + AnsiToQString(FtpClient1.DirResult()) + QLatin1Char('"'));
    else if (code == 17)
        AddDisplayLine(QStringLiteral("File size is %1 bytes").arg(FtpClient1.SizeResult()));
}

void TfrmFTP::FtpClient1SessionConnected(uint16_t Error)
{
    AddDisplayLine(Error ? QStringLiteral("Session Connected, error = %1").arg(Error)
                         : QStringLiteral("Session Connected"));
}

void TfrmFTP::FtpClient1SessionClosed(uint16_t Error)
{
    AddDisplayLine(Error ? QStringLiteral("Session Closed, error = %1").arg(Error) : QStringLiteral("Session Closed"));
}
