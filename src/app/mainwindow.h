#pragma once

#include "document/filecommands.h"
#include "format/formatcommands.h"
#include "platform/commondialog.h"

#include <QMainWindow>
#include <QSize>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace borovka {

class DialogService;
class FindReplace;
class Printing;
class RichTextBox;
class Shortcuts;
class SpellChecker;
class Statistics;
class SynonymMenu;
class TypographyTools;

// The program's one window. Control and handler names follow the window's
// design: Czech words for what each control does.
class Main : public QMainWindow {
    Q_OBJECT

public:
    explicit Main(DialogService &dialogs, QWidget *parent = nullptr);
    ~Main() override;

    // The client area in the normal window state, in pixels (9510 x 6540 twips).
    static constexpr QSize ClientSize{634, 436};
    static constexpr int TwipsPerPixel = 15;

    // Start-up, before the window is first shown. Returns false when the
    // user chose to end the program after a failed load.
    bool Form_Load(const QString &commandLine, QSize screenTwips);
    // Shows the window maximised, or normal and centred when start-up said so.
    void showAtStart();
    bool startsMaximized() const { return m_startMaximized; }

    // The initial content of the editing area.
    static const QByteArray InitialRtf;

    QLabel *Label1 = nullptr;
    QPushButton *tucne = nullptr;
    QPushButton *kurziva = nullptr;
    QPushButton *podtrzene = nullptr;
    QPushButton *preskrtnute = nullptr;
    QPushButton *druh = nullptr;
    QPushButton *barva = nullptr;
    QPushButton *vetsi = nullptr;
    QPushButton *mensi = nullptr;
    QPushButton *vlevo = nullptr;
    QPushButton *stred = nullptr;
    QPushButton *vpravo = nullptr;
    RichTextBox *Rich1 = nullptr;
    CommonDialog CommonDialog1;

    QMenu *mnfile = nullptr;
    QAction *mnnew = nullptr;
    QAction *mnopen = nullptr;
    QAction *mnsave = nullptr;
    QAction *mnsaveas = nullptr;
    QAction *mnsavetxt = nullptr;
    QAction *mnsaveastxt = nullptr;
    QAction *cara = nullptr;
    QAction *mnend = nullptr;
    QMenu *mnformat = nullptr;
    QAction *mnfont = nullptr;
    QAction *mncolor = nullptr;
    QMenu *mnaling = nullptr;
    QAction *mnleft = nullptr;
    QAction *mnright = nullptr;
    QAction *mncenter = nullptr;
    QAction *mnabout = nullptr;

    // The document state and the file commands, and the formatting commands.
    FileCommands files;
    FormatCommands format;

    QList<QPushButton *> buttons() const;

    // What the window offers beyond its menus and buttons: shortcuts, and
    // find and replace, spell-checking, Czech typography.
    Shortcuts *shortcuts = nullptr;
    FindReplace *findReplace = nullptr;
    SpellChecker *spelling = nullptr;
    Printing *printing = nullptr;
    // A writer's tools in the editing area's context menu.
    Statistics *statistics = nullptr;
    SynonymMenu *synonyms = nullptr;
    TypographyTools *typography = nullptr;

public Q_SLOTS:
    void mnabout_Click();

Q_SIGNALS:
    // The program must end now ("Konec", or the end of the close sequence).
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenus();
    void bindHandlers();
    QPushButton *addButton(const QString &caption, int leftTwips, int widthTwips,
                           const QString &tooltip);

    bool m_startMaximized = true;
    bool m_ending = false;
};

// The About box's title: the program's title and version, "Borovka KLN Editor 0.70".
QString aboutTitle();
QString aboutText();

} // namespace borovka
