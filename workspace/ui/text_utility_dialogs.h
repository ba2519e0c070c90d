#pragma once
// The option dialogs of the text utilities: resequence, spaces, line begin/end, make
// columns, file cleanup and the file splitter. Stored options are bound to the current
// machine's settings; the unstored ones ("Remove ALL Sequence Numbers", "Fix EOL
// Characters", the spaces choice and the splitter's fields) stay in the dialogs.
#include "workspace/ui/utility_options_dialog.h"

#include "workspace/engine/machine_settings.h"
#include "workspace/engine/nc_text_utilities.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

class TRESEQDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TRESEQDlg(mrw::MachineSettings& settings, QWidget* parent = nullptr);
    bool removeAll() const;

private:
    QCheckBox* m_unseq;
};

class TAddremSpaces : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TAddremSpaces(QWidget* parent = nullptr);
    bool addSpaces() const;

private:
    QRadioButton* m_add;
};

class TChgBeginEndDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TChgBeginEndDlg(mrw::MachineSettings& settings, QWidget* parent = nullptr);
};

class TMakeColsDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TMakeColsDlg(mrw::MachineSettings& settings, QWidget* parent = nullptr);
};

class TFcleanDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TFcleanDlg(mrw::MachineSettings& settings, QWidget* parent = nullptr);

    struct Options {
        mrw::FileCleanupOptions stored;
        bool fixLineEnds = false; // "Fix EOL Characters"
    };
    // The seven boxes.
    Options GetOptions() const;

private:
    mrw::MachineSettings& m_settings;
    QCheckBox* m_fixEol;
};

class TFileSplitdlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TFileSplitdlg(QWidget* parent = nullptr);

    // The main window's values before the dialog shows.
    void setFolder(const QString& folder);
    void setExtension(const QString& extension);
    // The fields; folder as typed, program letter left to the caller.
    mrw::FileSplitOptions options() const;

private:
    QLineEdit* m_folder;
    QLineEdit* m_extension;
    QLineEdit* m_prefix;
    QLineEdit* m_suffix;
    QRadioButton* m_askFirst;
};
