#include "dnc/ui/send_dialog.h"

#include "platform/paths.h"
#include "platform/stored_path.h"
#include "platform/qt/latin1.h"
#include "platform/qt/help.h"
#include "platform/qt/qthost.h"
#include "platform/qt/wait_cursor.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dnc {

namespace {

const char* const MessageCaption = "Marrowin";

} // namespace

TSendDlg::TSendDlg(mrw::EditorHost& editor, SettingsSource settings, platform::Prompter* prompter, QWidget* parent)
    : QDialog(parent), m_editor(editor), m_settings(std::move(settings)), m_prompter(prompter)
{
    if (!m_prompter) {
        m_ownPrompter = std::make_unique<platform::QtPrompter>(this);
        m_prompter = m_ownPrompter.get();
    }
    setWindowTitle(QStringLiteral("Select What To Send to CNC"));
    setModal(true);

    Bsendedfile = new QRadioButton(QStringLiteral("Send Current Editor File"), this);
    BsendSelect = new QRadioButton(QStringLiteral("Send Selected Editor text"), this);
    Bsendtoend = new QRadioButton(QStringLiteral("Send Editor Text From Cursor to End"), this);
    Bsendfile = new QRadioButton(QStringLiteral("Send From Disk File"), this);
    Bsendedfile->setObjectName(QStringLiteral("Bsendedfile"));
    BsendSelect->setObjectName(QStringLiteral("BsendSelect"));
    Bsendtoend->setObjectName(QStringLiteral("Bsendtoend"));
    Bsendfile->setObjectName(QStringLiteral("Bsendfile"));
    Bsendedfile->setChecked(true);

    auto* current = new QGroupBox(QStringLiteral("Current Editor File"), this);
    Label2 = new QLabel(QStringLiteral("NONE"), current);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto* currentLayout = new QVBoxLayout(current);
    currentLayout->addWidget(Label2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help,
                                         this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TSendDlg::OKBtnClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &TSendDlg::HelpBtnClick);
    // Enter sends, whichever button was clicked before: only Send is a default button.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Help)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("&Help"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bsendedfile);
    layout->addWidget(BsendSelect);
    layout->addWidget(Bsendtoend);
    layout->addWidget(Bsendfile);
    layout->addWidget(current);
    layout->addWidget(buttons);
}

TSendDlg::~TSendDlg() = default;

void TSendDlg::EnableEditorChoices(bool enable)
{
    BsendSelect->setEnabled(enable);
    Bsendtoend->setEnabled(enable);
}

std::uint8_t TSendDlg::EiaCode(char c) { return AsciiToEia(static_cast<std::uint8_t>(c)); }

void TSendDlg::showEvent(QShowEvent* event)
{
    Label2->setText(platform::toQString(m_editor.activeFileName()));
    QDialog::showEvent(event);
}

void TSendDlg::HelpBtnClick() { platform::showHelpTopic(HelpContext, *m_prompter); }

void TSendDlg::OKBtnClick()
{
    int mode = sendmode::EditorText;
    if (BsendSelect->isChecked())
        mode = sendmode::SelectedLines;
    else if (Bsendfile->isChecked())
        mode = sendmode::ChosenFile;
    else if (Bsendtoend->isChecked())
        mode = sendmode::CaretToEnd;

    if (mode == sendmode::EditorText && m_settings().runFileCleanup && m_fileCleanup)
        m_fileCleanup();
    if (PrepareSendFile(mode))
        accept();
    else
        reject();
}

bool TSendDlg::PrepareSendFile(int sendMode, const std::string& fileName)
{
    std::string source;
    if (sendMode == sendmode::GivenFile) {
        m_sendFileName = fileName;
        source = fileName;
    } else if (sendMode == sendmode::ChosenFile) {
        // A list left from an earlier send that was stopped must never be sent in place of this one.
        m_selectedFiles.clear();
        const SendSettings settings = m_settings();
        OpenFilesRequest request;
        if (*m_downloadFirstTime || settings.forceDownloadFolder)
            request.folder = platform::toQString(platform::resolveStoredPath(settings.downloadFolder));
        *m_downloadFirstTime = false;
        const QString ext = platform::toQString(settings.defaultExtension);
        request.defaultSuffix = ext;
        request.nameFilters = {QStringLiteral("Tape files (*.%1)").arg(ext),
                               QStringLiteral("Text Files (*.txt)"), QStringLiteral("All files (*)")};
        const auto chosen = chooseFiles(request);
        if (!chosen || chosen->isEmpty())
            return false;
        for (const QString& f : *chosen)
            m_selectedFiles.push_back(platform::toBytes(f));
        m_lastFolder = QFileInfo(chosen->front()).absolutePath();
        if (m_selectedFiles.size() > 1)
            return true;
        m_sendFileName = m_selectedFiles.front();
        source = m_sendFileName;
    } else {
        m_selectedFiles.clear();
        std::string editorFile;
        if (!m_editor.writeActiveTextToSendFile(sendMode, editorFile))
            return false;
        m_sendFileName = editorFile;
        source = m_editor.sendSourceFile();
    }
    return buildImage(source);
}

bool TSendDlg::buildImage(const std::string& source)
{
    try {
        platform::WaitCursor wait;
        prepareSendImage(source, ScratchFiles{m_editor.sendBufferFile(), m_editor.sendSourceFile()},
                         m_settings().send);
        return true;
    } catch (const SendError& e) {
        m_prompter->message(MessageCaption, e.what(), platform::MessageKind::Error);
        return false;
    }
}

std::optional<QStringList> TSendDlg::chooseFiles(const OpenFilesRequest& request)
{
    if (m_chooseFiles)
        return m_chooseFiles(request);
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDirectory(request.folder.isEmpty() ? m_lastFolder : request.folder);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setNameFilters(request.nameFilters);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFiles();
}

} // namespace dnc
