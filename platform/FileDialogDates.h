#pragma once
// The date column of Qt's own file dialog, sized for the dates it shows.
class QFileDialog;

// Makes the date column of the dialog's detail view wide enough for the locale's dates.
void WidenDateColumn(QFileDialog &Dialog);
