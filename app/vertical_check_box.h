#pragma once
// A check box for a narrow column: the box on top, its caption below it, one character a line,
// as Chinese is written vertically. It is a QCheckBox in every other way: the caption is its
// text (and so its accessible name), Space and the accessibility toggle action tick it, and a
// click anywhere on it toggles it.

#include <QCheckBox>

class CVerticalCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CVerticalCheckBox(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect IndicatorRect() const;
    int LineHeight() const;
};
