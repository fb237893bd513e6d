#pragma once

#include <QObject>
#include <QString>

#include <exception>

class QWidget;

namespace borovka {

class CommonDialog;
class RichTextBox;

// The document state: whether the document has a file and whether its
// content changed since the last start-up, New, Open or successful save.
// The values are the digits the commands compare with.
enum class Stav : int {
    Unnamed = 0,        // no file, unchanged
    NamedChanged = 1,   // file at `cesta`, changed
    UnnamedChanged = 2, // no file, changed
    Named = 3,          // file at `cesta`, unchanged
};

// The file commands of the main window and the state they share. Each
// command stores `cesta`, `stav` and the caption last, once its load or
// write has succeeded.
class FileCommands : public QObject {
    Q_OBJECT

public:
    FileCommands(QWidget &window, RichTextBox &Rich1, CommonDialog &CommonDialog1);

    Stav stav = Stav::Unnamed;
    QString cesta;

    // Runs the close sequence; returns false only when the document could
    // not be saved and the window must stay open so the text is not lost.
    bool Form_Unload();

    static const QString SavePattern; // "*.kln"
    static QString describe(const std::exception &e);

public Q_SLOTS:
    void Rich1_Change();

    void mnnew_Click();
    void mnopen_Click();
    void mnsave_Click();
    void mnsaveas_Click();
    void mnsavetxt_Click();
    void mnsaveastxt_Click();
    void mnend_Click();

Q_SIGNALS:
    // The program must end now, without the close sequence.
    void endProgram();
    // The content is now what its file holds (saved, opened) or empty (New):
    // nothing unsaved is left.
    void stored();

private:
    int askSaveChanges(int buttons);
    // The save-changes prompt with Yes, No and Cancel: false on Cancel,
    // an exception when the save fails.
    bool offerToSave();
    void showFailure(const std::exception &e);
    // A failure the user has to hear of: anything but the refused write
    // that follows a cancelled Save dialog.
    void reportUnlessCancelled(const std::exception &e);
    void setCaption(const QString &caption);

    void saveThroughDialog(int format);
    void markSaved();
    void save(int format);
    void saveAs(int format);
    void openAndLoad();

    QWidget &m_window;
    RichTextBox &Rich1;
    CommonDialog &CommonDialog1;
    // The last Save dialog of the running command was cancelled.
    bool m_saveCancelled = false;
};

} // namespace borovka
