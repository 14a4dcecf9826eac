#pragma once
// A static label with its own text colour over a solid background, repainted at once when the
// colour changes, so a status message shows in its colour the moment it is set.
//
// Assistive technology reads the shown text as the label's name and value; the fixed name of the
// layout is its description. Every new text is announced; a live label (a status line the user
// waits on) is announced at once, like a live region.

#include <QColor>
#include <QLabel>

#include "app/color_ref.h"

class ZCStatic : public QLabel {
    Q_OBJECT
public:
    explicit ZCStatic(QWidget* parent = nullptr, ColorRef text = 0x000000, ColorRef background = 0xF0F0F0);

    // Sets the shown text (as QLabel::setText) and announces a change to assistive technology.
    // The pages set a coloured label's text through this class; through a QLabel pointer the
    // toolkit still renames the label, but nothing is announced.
    void setText(const QString& text);

    // Stores the colour and repaints the whole label before returning.
    void SetTextColorRedraw(ColorRef color);

    ColorRef TextColor() const { return m_textColor; }
    ColorRef BkColor() const { return m_bkColor; }

    // A live label's changes are announced the moment they happen.
    void SetLiveRegion(bool live) { m_live = live; }
    bool IsLiveRegion() const { return m_live; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRef m_textColor;
    ColorRef m_bkColor;
    bool m_transparentBk = true;
    bool m_live = false;
};
