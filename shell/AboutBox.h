#pragma once
// The about box: version, build date, the memory available now and the support address.
#include <QDialog>

#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;

// Bytes as kilobytes (shifted right by 10) with thousands separators and " KB": "1,234 KB".
QString KilobytesText(uint64_t Bytes);
// A date as day/month/year without leading zeros.
QString BuildDateText(int Day, int Month, int Year);
// The day this program was built, as BuildDateText gives it.
QString ProgramBuildDate();
// The physical memory free now, in bytes (the system's figure; 0 when it cannot be read).
uint64_t AvailablePhysicalMemory();

class TfrmAbout : public QDialog {
public:
    explicit TfrmAbout(QWidget *Parent = nullptr);

    QLabel *BuildDate = nullptr;
    QLabel *PhysMem = nullptr;
    QLabel *EmailLabel = nullptr;
    QPushButton *OKButton = nullptr;
    // Asked to open a link (the "mailto:" address of the support label).
    std::function<void(const QString &Link)> OnOpenLink;

    // Fills the build date and the memory figure (every activation).
    void FormActivate();
    void EmailLabelClick();

    static constexpr const char *SupportAddress = "support@quillmar.example";

protected:
    void showEvent(QShowEvent *Event) override;
};
