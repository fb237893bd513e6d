#include "fontdialog.h"

#include "richtextbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace borovka {

namespace {

// The largest size the editing area and its files take.
constexpr double MaxPointSize = RichTextBox::MaxFontSize;
// The sample stays readable and the dialog keeps its size for huge fonts.
constexpr double MaxSamplePointSize = 36.0;

QIcon swatch(const QColor &color)
{
    QPixmap pixmap(28, 14);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

QString formatPointSize(double size)
{
    return QLocale().toString(size, 'g', 6);
}

double parsePointSize(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double size = QLocale().toDouble(t, &ok);
    if (!ok) {
        // Accept either decimal separator, whatever the locale.
        QString c = t;
        c.replace(QLatin1Char(','), QLatin1Char('.'));
        size = QLocale::c().toDouble(c, &ok);
    }
    if (!ok || !(size >= 1.0) || size > MaxPointSize)
        return 0.0;
    return size;
}

FontDialog::FontDialog(const DialogValues &values, QWidget *parent)
    : QDialog(parent),
      m_initialFace(values.FontName),
      m_initialSize(values.FontSize),
      m_color(values.Color),
      m_effectsShown(values.Flags & EffectsFlag)
{
    setWindowTitle(QStringLiteral("Písmo"));
    setModal(true);

    m_face = new QFontComboBox(this);
    m_face->setObjectName(QStringLiteral("fontFace"));
    m_face->setInsertPolicy(QComboBox::NoInsert);
    m_face->setMinimumContentsLength(18);
    const QString shownFace = values.FontName.isEmpty() ? QApplication::font().family()
                                                        : values.FontName;
    m_face->setCurrentFont(QFont(shownFace));
    // Show the face as given even when it is not installed.
    m_face->setEditText(shownFace);

    m_style = new QComboBox(this);
    m_style->setObjectName(QStringLiteral("fontStyle"));
    m_style->addItems({QStringLiteral("Obyčejné"), QStringLiteral("Kurzíva"),
                       QStringLiteral("Tučné"), QStringLiteral("Tučné kurzíva")});
    m_style->setCurrentIndex((values.FontBold ? Bold : Regular) + (values.FontItalic ? 1 : 0));

    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("fontSize"));
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        m_size->addItem(QString::number(s));
    m_size->setEditText(formatPointSize(values.FontSize));
    m_initialSizeText = m_size->currentText();

    auto *faceLabel = new QLabel(QStringLiteral("&Písmo:"), this);
    faceLabel->setBuddy(m_face);
    auto *styleLabel = new QLabel(QStringLiteral("Ř&ez:"), this);
    styleLabel->setBuddy(m_style);
    auto *sizeLabel = new QLabel(QStringLiteral("&Velikost:"), this);
    sizeLabel->setBuddy(m_size);

    auto *fontGrid = new QGridLayout;
    fontGrid->addWidget(faceLabel, 0, 0);
    fontGrid->addWidget(m_face, 0, 1, 1, 3);
    fontGrid->addWidget(styleLabel, 1, 0);
    fontGrid->addWidget(m_style, 1, 1);
    fontGrid->addWidget(sizeLabel, 1, 2);
    fontGrid->addWidget(m_size, 1, 3);
    fontGrid->setColumnStretch(1, 2);
    fontGrid->setColumnStretch(3, 1);

    m_effects = new QGroupBox(QStringLiteral("Efekty"), this);
    m_effects->setObjectName(QStringLiteral("fontEffects"));
    m_strike = new QCheckBox(QStringLiteral("Pře&škrtnuté"), m_effects);
    m_strike->setObjectName(QStringLiteral("fontStrikethru"));
    m_strike->setChecked(values.FontStrikethru);
    m_underline = new QCheckBox(QStringLiteral("Pod&tržené"), m_effects);
    m_underline->setObjectName(QStringLiteral("fontUnderline"));
    m_underline->setChecked(values.FontUnderline);
    m_colorButton = new QToolButton(m_effects);
    m_colorButton->setObjectName(QStringLiteral("fontColor"));
    m_colorButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_colorButton->setText(QStringLiteral("Změnit..."));
    auto *colorLabel = new QLabel(QStringLiteral("&Barva:"), m_effects);
    colorLabel->setBuddy(m_colorButton);

    auto *effectsGrid = new QGridLayout(m_effects);
    effectsGrid->addWidget(m_strike, 0, 0);
    effectsGrid->addWidget(m_underline, 1, 0);
    effectsGrid->addWidget(colorLabel, 0, 1, Qt::AlignRight);
    effectsGrid->addWidget(m_colorButton, 0, 2);
    effectsGrid->setColumnStretch(0, 1);
    m_effects->setVisible(m_effectsShown);

    auto *sampleBox = new QGroupBox(QStringLiteral("Ukázka"), this);
    m_sample = new QLabel(QStringLiteral("AaBbYyZz ČčŘřŽž"), sampleBox);
    m_sample->setObjectName(QStringLiteral("fontSample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFixedHeight(64);
    m_sample->setMinimumWidth(340);
    m_sample->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_sample->setAutoFillBackground(true);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    sampleLayout->addWidget(m_sample);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fontGrid);
    layout->addWidget(m_effects);
    layout->addWidget(sampleBox);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto update = [this] { updateSample(); };
    connect(m_face, &QComboBox::currentTextChanged, this, update);
    connect(m_style, &QComboBox::currentIndexChanged, this, update);
    connect(m_size, &QComboBox::currentTextChanged, this, update);
    connect(m_strike, &QCheckBox::toggled, this, update);
    connect(m_underline, &QCheckBox::toggled, this, update);
    connect(m_colorButton, &QToolButton::clicked, this, [this] {
        QColorDialog picker(m_color, this);
        picker.setOption(QColorDialog::DontUseNativeDialog);
        picker.setWindowTitle(QStringLiteral("Barvy"));
        if (picker.exec() == QDialog::Accepted)
            setColor(picker.selectedColor());
    });

    setColor(m_color);
    m_face->setFocus();
}

QString FontDialog::faceName() const
{
    return m_face->currentText().trimmed();
}

bool FontDialog::sizeValid() const
{
    return m_size->currentText() == m_initialSizeText || parsePointSize(m_size->currentText()) > 0;
}

double FontDialog::pointSize() const
{
    // An untouched size keeps its exact value, fractions included.
    if (m_size->currentText() == m_initialSizeText)
        return m_initialSize;
    return parsePointSize(m_size->currentText());
}

void FontDialog::setColor(const QColor &color)
{
    if (!color.isValid())
        return;
    m_color = color;
    m_colorButton->setIcon(swatch(color));
    m_colorButton->setToolTip(color.name());
    updateSample();
}

void FontDialog::updateSample()
{
    QFont font(faceName());
    const double size = pointSize();
    if (size > 0)
        font.setPointSizeF(qMin(size, MaxSamplePointSize));
    const int style = m_style->currentIndex();
    font.setBold(style == Bold || style == BoldItalic);
    font.setItalic(style == Italic || style == BoldItalic);
    font.setUnderline(m_underline->isChecked());
    font.setStrikeOut(m_strike->isChecked());
    m_sample->setFont(font);

    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, m_color);
    palette.setColor(QPalette::Window, Qt::white);
    m_sample->setPalette(palette);

    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(sizeValid() && !faceName().isEmpty());
}

void FontDialog::apply(DialogValues &values) const
{
    const int style = m_style->currentIndex();
    values.FontName = faceName();
    values.FontSize = pointSize();
    values.FontBold = style == Bold || style == BoldItalic;
    values.FontItalic = style == Italic || style == BoldItalic;
    if (m_effectsShown) {
        values.FontUnderline = m_underline->isChecked();
        values.FontStrikethru = m_strike->isChecked();
        values.Color = m_color;
    }
}

} // namespace borovka
