#pragma once
// The debug page's three value lists (samples, baselines, differences): per slot the key's name
// and its value, empty for a slot that is hidden, and in the difference list the word "触摸"
// after the value of a key whose difference has reached its threshold.
//
// Owns: the lists' cells and what it last wrote in them, and the store of cell pictures the three
// lists share.
// Does not touch: the data (it is given the values), the charts, the channel boxes.
//
// A refresh is Begin, one Row or Clear per slot, End: the cells are written in between and
// repainted at the end, as one band per list.

#include <QObject>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>

#include "debug/cached_cell_delegate.h"
#include "debug/changed_values.h"
#include "debug/key_slot.h"

class DialogPage;
class QTableWidget;

class LiveLists {
public:
    // The difference cell's mark of a touched key.
    static const char kTouchedMark[];

    explicit LiveLists(DialogPage& page);

    // full: every cell is written again, whether it changed or not. quiet: texts are set without
    // the model's signals (nobody listens for them), see ChangedValues.
    void Begin(bool full, bool quiet);
    // Slot j shows the key `channel` with these values (shown) or empty value cells (hidden);
    // touched marks the difference.
    void Row(int j, std::int32_t channel, const std::int32_t (&values)[3], bool shown, bool touched);
    // Slot j is out of use: name and value empty.
    void Clear(int j);
    void End();

    // Cached cell pictures (the default) or every cell painted anew (SetFullRefresh).
    void SetCachedPaint(bool cached);
    QTableWidget* List(int index) const { return index >= 0 && index < 3 ? m_list[index] : nullptr; }

private:
    bool Have() const { return m_list[0] && m_list[1] && m_list[2]; }

    QTableWidget* m_list[3] = {}; // 1032 samples, 1033 baselines, 1034 differences
    std::shared_ptr<CachedCellDelegate::PictureStore> m_cellPictures;

    // What the lists last showed per row: the channel in the name cell (if known), and per list
    // the value cell (a number, with the touch mark, or empty), so that values that stay cost no
    // text work. Only Row and Clear write these cells.
    static constexpr int kNoChannel = INT_MIN;
    struct ShownValue {
        bool known = false;
        bool shown = false; // a value, or an empty cell
        bool touched = false;
        std::int32_t value = 0;
    };
    int m_shownChannel[kSlotCount] = {kNoChannel, kNoChannel, kNoChannel, kNoChannel,
                                      kNoChannel, kNoChannel, kNoChannel, kNoChannel};
    ShownValue m_shownValues[3][kSlotCount];

    bool m_full = false;
    std::optional<ChangedValues> m_changed[3];
};
