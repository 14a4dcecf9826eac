#pragma once
// A static label with its own text colour over a solid background, repainted at once when the
// colour changes, so a status message shows in its colour the moment it is set.

#include <QLabel>
#include <cstdint>

// Colours are 0x00BBGGRR, red in the lowest byte.
using ColorRef = std::uint32_t;
QColor ColorFromRef(ColorRef c);

class ZCStatic : public QLabel {
    Q_OBJECT
public:
    explicit ZCStatic(QWidget* parent = nullptr, ColorRef text = 0x000000, ColorRef background = 0xF0F0F0);

    // Stores the colour and repaints the whole label before returning.
    void SetTextColorRedraw(ColorRef color);

    ColorRef TextColor() const { return m_textColor; }
    ColorRef BkColor() const { return m_bkColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRef m_textColor;
    ColorRef m_bkColor;
    bool m_transparentBk = true;
};
