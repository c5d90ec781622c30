#pragma once

class QFileDialog;

// The detail view of Qt's own file dialog gives the name most of the width and cuts the size,
// type and date to a fixed share, so Russian types and dates show as "Ис…ый" and "08.12.2…6".
// Fit sizes those columns to what they hold (following the folder as it loads) and leaves the
// name the rest; a dialog the desktop draws itself is left alone.
class FileDialogColumns
{
public:
    static void Fit(QFileDialog& dialog);
};
