#include "filecommands.h"

#include "platform/commondialog.h"
#include "platform/controlerror.h"
#include "platform/richtextbox.h"

#include <QWidget>

namespace borovka {

namespace {
const QString SavedCaption = QStringLiteral("Borovka Editor - ");
const QString NewCaption = QStringLiteral("Borovka Editor - Noname");
const QString KlnExtension = QStringLiteral("kln");
const QString KlnFilter = QStringLiteral("Soubor Sklipku (*.kln)");
} // namespace

const QString FileCommands::SavePattern = QStringLiteral("*.kln");

FileCommands::FileCommands(QWidget &window, RichTextBox &rich, CommonDialog &dialog)
    : m_window(window), Rich1(rich), CommonDialog1(dialog)
{
    connect(&Rich1, &RichTextBox::Change, this, &FileCommands::Rich1_Change);
}

QString FileCommands::describe(const std::exception &e)
{
    if (const auto *control = dynamic_cast<const ControlError *>(&e))
        return control->description();
    return QString::fromLocal8Bit(e.what());
}

void FileCommands::setCaption(const QString &caption)
{
    m_window.setWindowTitle(caption);
}

int FileCommands::askSaveChanges(int buttons)
{
    return CommonDialog1.service().messageBox(
        QStringLiteral("Dokumet byl od posledního uložení změněn. Chceš tyto změny uložit?"),
        buttons, QStringLiteral("Soubor změněn"));
}

void FileCommands::showFailure(const std::exception &e)
{
    CommonDialog1.service().messageBox(
        QStringLiteral("Operace přerušena !!\r\nchyba: ") + describe(e), MsgBox::OkOnly,
        QStringLiteral("Operace přerušena"));
}

void FileCommands::reportUnlessCancelled(const std::exception &e)
{
    if (!m_saveCancelled)
        showFailure(e);
}

void FileCommands::Rich1_Change()
{
    if (stav == Stav::UnnamedChanged)
        return;
    if (stav == Stav::Unnamed)
        stav = Stav::UnnamedChanged;
    if (stav == Stav::Named)
        stav = Stav::NamedChanged;
}

// ---- Save and Save As ----------------------------------------------------------

// Asks for a name and writes there. A cancelled dialog leaves the pattern
// "*.kln" as the name, which the control refuses to write: that error ends
// the calling command before anything is stored.
void FileCommands::saveThroughDialog(int format)
{
    CommonDialog1.DialogTitle = QStringLiteral("Uložení souboru...");
    CommonDialog1.DefaultExt = KlnExtension;
    CommonDialog1.Filter = KlnFilter;
    CommonDialog1.FileName = SavePattern;
    CommonDialog1.ShowSave();
    m_saveCancelled = CommonDialog1.FileName == SavePattern;
    Rich1.SaveFile(CommonDialog1.FileName, format);
    cesta = CommonDialog1.FileName;
}

void FileCommands::markSaved()
{
    stav = Stav::Named;
    setCaption(SavedCaption + cesta);
    Q_EMIT stored();
}

void FileCommands::save(int format)
{
    m_saveCancelled = false;
    try {
        switch (stav) {
        case Stav::Unnamed:
            return;
        case Stav::UnnamedChanged:
            saveThroughDialog(format);
            break;
        case Stav::NamedChanged:
        case Stav::Named:
            Rich1.SaveFile(cesta, format);
            break;
        }
        markSaved();
    } catch (const std::exception &e) {
        // The document keeps its state and stays offered for saving; a
        // silent failure would let the user believe the article is saved.
        reportUnlessCancelled(e);
    }
}

void FileCommands::saveAs(int format)
{
    m_saveCancelled = false;
    try {
        saveThroughDialog(format);
        markSaved();
    } catch (const std::exception &e) {
        reportUnlessCancelled(e);
    }
}

void FileCommands::mnsave_Click() { save(FileFormat::Rtf); }
void FileCommands::mnsaveas_Click() { saveAs(FileFormat::Rtf); }
void FileCommands::mnsavetxt_Click() { save(FileFormat::Text); }
void FileCommands::mnsaveastxt_Click() { saveAs(FileFormat::Text); }

// ---- The save-changes prompt of New and Open ---------------------------------------

bool FileCommands::offerToSave()
{
    if (stav != Stav::NamedChanged && stav != Stav::UnnamedChanged)
        return true;
    const int answer = askSaveChanges(MsgBox::YesNoCancel);
    if (answer == MsgBox::No)
        return true;
    if (answer != MsgBox::Yes)
        return false;
    // The state stays as it is: the command that asked stores its own.
    if (stav == Stav::NamedChanged)
        Rich1.SaveFile(cesta, FileFormat::Rtf);
    else
        saveThroughDialog(FileFormat::Rtf);
    return true;
}

// ---- New -------------------------------------------------------------------------

void FileCommands::mnnew_Click()
{
    try {
        if (!offerToSave())
            return;
        Rich1.setTextRTF({});
        stav = Stav::Unnamed;
        setCaption(NewCaption);
        Q_EMIT stored();
    } catch (const std::exception &e) {
        showFailure(e);
    }
}

// ---- Open ------------------------------------------------------------------------

void FileCommands::openAndLoad()
{
    CommonDialog1.DialogTitle = QStringLiteral("Otevření souboru...");
    CommonDialog1.DefaultExt = KlnExtension;
    CommonDialog1.Filter = KlnFilter;
    CommonDialog1.FileName = SavePattern;
    CommonDialog1.ShowOpen();
    // A cancelled dialog hands back the preset pattern: nothing to load.
    if (CommonDialog1.FileName == SavePattern || CommonDialog1.FileName.isEmpty())
        return;
    Rich1.setFileName(CommonDialog1.FileName);
    cesta = CommonDialog1.FileName;
    stav = Stav::Named;
    setCaption(SavedCaption + cesta);
    Q_EMIT stored();
}

void FileCommands::mnopen_Click()
{
    m_saveCancelled = false;
    try {
        if (!offerToSave())
            return;
        openAndLoad();
    } catch (const std::exception &e) {
        // A failed load leaves the content as it was; a cancelled Save
        // dialog before it says nothing.
        reportUnlessCancelled(e);
    }
}

// ---- Exit ------------------------------------------------------------------------

void FileCommands::mnend_Click()
{
    Q_EMIT endProgram();
}

bool FileCommands::Form_Unload()
{
    if (stav != Stav::NamedChanged && stav != Stav::UnnamedChanged)
        return true;
    if (askSaveChanges(MsgBox::YesNo) != MsgBox::Yes)
        return true;
    try {
        if (stav == Stav::NamedChanged)
            Rich1.SaveFile(cesta, FileFormat::Rtf);
        else
            saveThroughDialog(FileFormat::Rtf);
    } catch (const std::exception &e) {
        // A cancelled Save dialog means the user chose to leave without saving.
        if (stav == Stav::UnnamedChanged && CommonDialog1.FileName == SavePattern)
            return true;
        // Closing would lose the text: say why and keep the window open.
        showFailure(e);
        return false;
    }
    return true;
}

} // namespace borovka
