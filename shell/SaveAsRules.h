#pragma once
// The Save As dialog's rules: which filter a file's extension preselects, which extension a name
// typed without one gets, and when an extension that does not fit the filter must be confirmed.
#include <QString>

// Filter index (1 HTML ... 10 SVG) for a lower-case extension with its dot; 0 for any other.
int SaveAsFilterForExtension(const QString &Extension);

struct TSaveAsName {
    QString Name;
    bool Confirm = false; // the extension does not fit the chosen filter: ask first
};

// Name as chosen in the dialog with filter Filter (1 to 11).
TSaveAsName DecideSaveAsName(const QString &Name, int Filter);
