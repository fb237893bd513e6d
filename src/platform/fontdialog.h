#pragma once

#include "dialogservice.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFontComboBox;
class QGroupBox;
class QLabel;
class QToolButton;

namespace borovka {

// The font dialog: face, style, size, and with the effects bit of Flags
// also underline, strikethrough and the text colour, with a live sample.
// Values the user leaves alone come back exactly as they went in, so a
// face that is not installed or a size like 11.5 survives an OK.
class FontDialog : public QDialog {
public:
    // Flags bit that offers underline, strikethrough and colour.
    static constexpr int EffectsFlag = 256;

    explicit FontDialog(const DialogValues &values, QWidget *parent = nullptr);

    // Writes the seven font values into `values`; the rest stays.
    void apply(DialogValues &values) const;

    QString faceName() const;
    double pointSize() const;
    QColor color() const { return m_color; }

    // Lets the colour button be driven without its picker.
    void setColor(const QColor &color);

private:
    enum Style { Regular, Italic, Bold, BoldItalic };

    bool sizeValid() const;
    void updateSample();

    QFontComboBox *m_face;
    QComboBox *m_style;
    QComboBox *m_size;
    QGroupBox *m_effects;
    QCheckBox *m_strike;
    QCheckBox *m_underline;
    QToolButton *m_colorButton;
    QLabel *m_sample;
    QDialogButtonBox *m_buttons;

    QString m_initialFace;
    double m_initialSize;
    QString m_initialSizeText;
    QColor m_color;
    bool m_effectsShown;
};

// Formats a point size the way the size field shows it (11.5 -> "11,5"
// in Czech) and reads such a text back; returns 0 for a text that is no size.
QString formatPointSize(double size);
double parsePointSize(const QString &text);

} // namespace borovka
