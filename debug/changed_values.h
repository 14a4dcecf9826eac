#pragma once
// The value cells of one column of a live list that a refresh changed, and the repaint they need.
//
// Each text set through the model asks for the repaint of its whole cell. Quietly (a live value
// cell's text set as a plain string, any other cell's with the model's signals held back while
// it is set), nothing is asked for, and the cells are repainted here as one area: the span of
// rows that changed, and of it only the middle band that the old and the new centred texts can
// touch, with room to spare on both sides. Only a part of each cell is then filled, copied and
// gridded again; the rest of it shows the same pixels anyway.
// Quiet setting is for when no assistive technology listens for the model's changes.
//
// Owns nothing; touches only the cells it is given and the list's viewport.

#include <QString>
#include <cstdint>

class QTableWidget;

class ChangedValues {
public:
    ChangedValues(QTableWidget* list, int col, bool quiet);

    // Sets the cell's text. shownNumber: when the cell is known to show that number (as last
    // set here), and text is another; the cell's text is then not read back.
    void Set(int row, const QString& text, const std::int32_t* shownNumber = nullptr);
    // Repaints what Set changed, as one area.
    void Repaint() const;

private:
    QTableWidget* m_list;
    int m_col;
    bool m_quiet; // not where an editor can open: it hears of changes through the model
    int m_first = -1;
    int m_last = -1;
    int m_advance = 0; // widest text, old or new; -1: whole cells
};
