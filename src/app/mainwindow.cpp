#include "mainwindow.h"

#include "findreplace.h"
#include "printing.h"
#include "shortcuts.h"
#include "statisticswindow.h"
#include "typographytools.h"
#include "version.h"
#include "platform/busy.h"
#include "platform/dialogservice.h"
#include "platform/richtextbox.h"
#include "platform/spellcheck.h"
#include "platform/thesaurus.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace borovka {

const QByteArray Main::InitialRtf =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fnil MS Sans Serif;}{\\f1\\froman\\fcharset2 "
    "Symbol;}{\\f2\\fmodern\\fcharset238{\\*\\fname Courier New;}Courier New CE;}{\\f3\\fmodern"
    "\\fcharset238{\\*\\fname Courier New;}Courier New CE;}}\r\n"
    "{\\colortbl\\red0\\green0\\blue0;}\r\n"
    "\\deflang1029\\pard\\plain\\f3\\fs23 \r\n"
    "\\par }\r\n";

namespace {

constexpr int px(int twips) { return twips / Main::TwipsPerPixel; }

const QColor Navy(3, 0, 67);
const QColor LabelYellow(255, 255, 128);
const QColor EditorGreen(192, 255, 192);

// The client area: dark navy with the artwork drawn unscaled at its top-left.
// Controls sit at fixed places on it; nothing follows the window's size.
class Artwork : public QWidget {
public:
    explicit Artwork(QWidget *parent) : QWidget(parent), m_picture(QStringLiteral(":/background.jpg"))
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Navy);
        p.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture;
};

QFont arial(double points)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setWeight(QFont::Normal);
    return f;
}

} // namespace

Main::Main(DialogService &dialogs, QWidget *parent)
    : QMainWindow(parent)
    , Rich1(new RichTextBox)
    , CommonDialog1(dialogs)
    , files(*this, *Rich1, CommonDialog1)
    , format(*Rich1, CommonDialog1)
{
    setWindowTitle(QString::fromUtf8(version::Title));
    QIcon icon(QStringLiteral(":/icon.svg"));
    icon.addFile(QStringLiteral(":/icon-32.png"), QSize(32, 32));
    setWindowIcon(icon);
    createControls();
    createMenus();
    // The editing area receives its initial content before any handler is bound.
    Rich1->setTextRTF(InitialRtf);
    bindHandlers();
    shortcuts = new Shortcuts(*this);
    findReplace = new FindReplace(*Rich1, *shortcuts, *this);
    // Without a dictionary nothing is marked; the program loads one after start-up.
    spelling = new SpellChecker(*Rich1, SpellChecker::defaultPersonalList(), this);
    printing = new Printing(*Rich1, dialogs, *shortcuts, *this);
    statistics = new Statistics(*Rich1, *shortcuts, *this);
    // The thesaurus is read at the first look-up, not at start-up.
    synonyms = new SynonymMenu(*Rich1, std::make_shared<Thesaurus>(Thesaurus::czechIdx(), Thesaurus::czechDat()), this);
    typography = new TypographyTools(*Rich1, dialogs, this);

    // Normal state: the client area at its design size, below the menu bar.
    resize(ClientSize.width(), ClientSize.height() + menuBar()->sizeHint().height());
    Rich1->setFocus();
}

Main::~Main() = default;

QPushButton *Main::addButton(const QString &caption, int leftTwips, int widthTwips,
                             const QString &tooltip)
{
    auto *button = new QPushButton(caption, centralWidget());
    button->setGeometry(px(leftTwips), px(960), px(widthTwips), px(495));
    button->setToolTip(tooltip);
    // Clicking a button never takes the focus (and the selection) from the text.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void Main::createControls()
{
    auto *client = new Artwork(this);
    setCentralWidget(client);

    Label1 = new QLabel(QStringLiteral("Textový editor pro elektronický časopis Sklipek"), client);
    Label1->setGeometry(px(1080), px(120), px(8100), px(405));
    QFont labelFont = arial(18);
    labelFont.setWeight(QFont::Bold);
    Label1->setFont(labelFont);
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::WindowText, LabelYellow);
    Label1->setPalette(labelPalette);
    Label1->setAutoFillBackground(false);

    tucne = addButton(QStringLiteral("B"), 120, 495, QStringLiteral("tučné písmo"));
    kurziva = addButton(QStringLiteral("I"), 720, 495, QStringLiteral("kurzíva"));
    podtrzene = addButton(QStringLiteral("U"), 1320, 495, QStringLiteral("podtržené"));
    preskrtnute = addButton(QStringLiteral("S"), 1920, 495, QStringLiteral("přeškrnuté"));
    druh = addButton(QStringLiteral("Písmo..."), 2760, 1215, QStringLiteral("Styl, velikost a script písma"));
    barva = addButton(QStringLiteral("Barvy..."), 4080, 1335, QStringLiteral("barvy písma"));
    vetsi = addButton(QStringLiteral("A +"), 5760, 495, QStringLiteral("zvětšení písma o 3 body"));
    mensi = addButton(QStringLiteral("A -"), 6360, 495, QStringLiteral("zmenšení písma o 3 body"));
    vlevo = addButton(QStringLiteral("A--"), 7200, 495, QStringLiteral("zarovnání doleva"));
    stred = addButton(QStringLiteral("-A-"), 7800, 495, QStringLiteral("zarovnání na střed"));
    vpravo = addButton(QStringLiteral("--A"), 8400, 495, QStringLiteral("zarovnání doprava"));

    // The style buttons show their own effect.
    QFont bold = arial(9.75);
    bold.setWeight(QFont::Bold);
    tucne->setFont(bold);
    QFont italic = arial(9.75);
    italic.setItalic(true);
    kurziva->setFont(italic);
    QFont underlined = arial(9.75);
    underlined.setUnderline(true);
    podtrzene->setFont(underlined);
    QFont struck = arial(9.75);
    struck.setStrikeOut(true);
    preskrtnute->setFont(struck);

    Rich1->setParent(client);
    Rich1->setGeometry(px(1560), px(1560), px(6375), px(4935));
    QPalette richPalette = Rich1->palette();
    richPalette.setColor(QPalette::Base, EditorGreen);
    richPalette.setColor(QPalette::Text, Qt::black);
    Rich1->setPalette(richPalette);
    Rich1->setFont(RichTextBox::defaultFont());
}

void Main::createMenus()
{
    QMenuBar *bar = menuBar();

    mnfile = bar->addMenu(QStringLiteral("Soubor"));
    mnnew = mnfile->addAction(QStringLiteral("Nový"));
    mnnew->setShortcut(Qt::Key_F4);
    mnopen = mnfile->addAction(QStringLiteral("Otevřít..."));
    mnopen->setShortcut(Qt::Key_F3);
    mnsave = mnfile->addAction(QStringLiteral("Uložit"));
    mnsave->setShortcut(Qt::Key_F2);
    mnsaveas = mnfile->addAction(QStringLiteral("Uložit jako..."));
    mnsaveas->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F2));
    mnsavetxt = mnfile->addAction(QStringLiteral("Uložit TXT"));
    mnsaveastxt = mnfile->addAction(QStringLiteral("Uložit jako TXT..."));
    cara = mnfile->addSeparator();
    mnend = mnfile->addAction(QStringLiteral("Konec"));

    mnformat = bar->addMenu(QStringLiteral("Formát"));
    mnfont = mnformat->addAction(QStringLiteral("Písmo..."));
    mncolor = mnformat->addAction(QStringLiteral("Barva..."));
    mnaling = mnformat->addMenu(QStringLiteral("Zarovnámí"));
    mnleft = mnaling->addAction(QStringLiteral("doleva"));
    mnright = mnaling->addAction(QStringLiteral("doprava"));
    mncenter = mnaling->addAction(QStringLiteral("na střed"));

    // A leaf on the menu bar itself: choosing it runs the command at once.
    mnabout = bar->addAction(QStringLiteral("O programu..."));

    // The shortcuts work wherever the focus is in the window.
    for (QAction *a : {mnnew, mnopen, mnsave, mnsaveas})
        a->setShortcutContext(Qt::WindowShortcut);
}

void Main::bindHandlers()
{
    // Buttons
    connect(tucne, &QPushButton::clicked, &format, &FormatCommands::tucne_Click);
    connect(kurziva, &QPushButton::clicked, &format, &FormatCommands::kurziva_Click);
    connect(podtrzene, &QPushButton::clicked, &format, &FormatCommands::podtrzene_Click);
    connect(preskrtnute, &QPushButton::clicked, &format, &FormatCommands::preskrtnute_Click);
    connect(druh, &QPushButton::clicked, &format, &FormatCommands::druh_Click);
    connect(barva, &QPushButton::clicked, &format, &FormatCommands::barva_Click);
    connect(vetsi, &QPushButton::clicked, &format, &FormatCommands::vetsi_Click);
    connect(mensi, &QPushButton::clicked, &format, &FormatCommands::mensi_Click);
    connect(vlevo, &QPushButton::clicked, &format, &FormatCommands::vlevo_Click);
    connect(stred, &QPushButton::clicked, &format, &FormatCommands::stred_Click);
    connect(vpravo, &QPushButton::clicked, &format, &FormatCommands::vpravo_Click);

    // Menu "Soubor"
    connect(mnnew, &QAction::triggered, &files, &FileCommands::mnnew_Click);
    connect(mnopen, &QAction::triggered, &files, &FileCommands::mnopen_Click);
    connect(mnsave, &QAction::triggered, &files, &FileCommands::mnsave_Click);
    connect(mnsaveas, &QAction::triggered, &files, &FileCommands::mnsaveas_Click);
    connect(mnsavetxt, &QAction::triggered, &files, &FileCommands::mnsavetxt_Click);
    connect(mnsaveastxt, &QAction::triggered, &files, &FileCommands::mnsaveastxt_Click);
    connect(mnend, &QAction::triggered, &files, &FileCommands::mnend_Click);

    // Menu "Formát": the font and colour items open the same dialogs as the buttons.
    connect(mnfont, &QAction::triggered, &format, &FormatCommands::druh_Click);
    connect(mncolor, &QAction::triggered, &format, &FormatCommands::barva_Click);
    connect(mnleft, &QAction::triggered, &format, &FormatCommands::mnleft_Click);
    connect(mnright, &QAction::triggered, &format, &FormatCommands::mnright_Click);
    connect(mncenter, &QAction::triggered, &format, &FormatCommands::mncenter_Click);

    connect(mnabout, &QAction::triggered, this, &Main::mnabout_Click);

    connect(&files, &FileCommands::endProgram, this, [this] {
        m_ending = true;
        Q_EMIT programEnded();
    });
}

QList<QPushButton *> Main::buttons() const
{
    return {tucne, kurziva, podtrzene, preskrtnute, druh, barva,
            vetsi, mensi, vlevo, stred, vpravo};
}

// ---- start-up -------------------------------------------------------------------

bool Main::Form_Load(const QString &commandLine, QSize screenTwips)
{
    try {
        // Exactly an 800 x 600 screen: the window opens in its normal state.
        if (screenTwips == QSize(12000, 9000))
            m_startMaximized = false;
        files.stav = Stav::Unnamed;
        if (commandLine.isEmpty()) {
            setWindowTitle(windowTitle() + QStringLiteral(" - Noname"));
            return true;
        }
        Rich1->setFileName(commandLine);
        setWindowTitle(windowTitle() + QStringLiteral(" - ") + commandLine);
        files.stav = Stav::Named;
        files.cesta = commandLine;
        return true;
    } catch (const std::exception &) {
        DialogService &dialogs = CommonDialog1.service();
        if (commandLine.isEmpty()) {
            dialogs.messageBox(QStringLiteral("Nastala nějaká velice záhadná chyba"), MsgBox::OkOnly,
                               QStringLiteral("Podivná chyba"));
            return true;
        }
        const QString prompt = QStringLiteral("Nastala chyba při otevírání souboru: ") + commandLine
            + QStringLiteral("\r\nPříště zadej správnou cestu nebo název souboru!\r\n\r\nChceš pokračovat?");
        if (dialogs.messageBox(prompt, MsgBox::YesNo, QStringLiteral("Chyba při otevírání souboru"))
            != MsgBox::Yes)
            return false;
        files.stav = Stav::Unnamed;
        setWindowTitle(windowTitle() + QStringLiteral(" - Noname"));
        return true;
    }
}

void Main::showAtStart()
{
    if (m_startMaximized) {
        showMaximized();
        return;
    }
    if (QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    showNormal();
}

// ---- closing ----------------------------------------------------------------------

void Main::closeEvent(QCloseEvent *event)
{
    // A close request from the desktop while a file is being read or
    // written waits: the command in progress must finish first.
    if (isBusy()) {
        event->ignore();
        return;
    }
    if (m_ending || files.Form_Unload()) {
        event->accept();
        m_ending = true;
        Q_EMIT programEnded();
        return;
    }
    event->ignore();
}

} // namespace borovka
