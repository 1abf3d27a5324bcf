// A drop-down list of the 7 line types of CurveLineTypeTable, each item drawn as a horizontal
// black line of that pen style and width across the item, on green when selected and white
// otherwise, framed in dark red. Item i stands for line type i.
#pragma once

#include <QComboBox>

class CLineTypeCombo : public QComboBox {
    Q_OBJECT
  public:
    // Height of an item in pixels.
    static constexpr int kItemHeight = 18;

    explicit CLineTypeCombo(QWidget* parent = nullptr);

    // Empties the box and adds 7 items with empty text, selecting item 0.
    void Fill();

    // Draws item `index` into rect as the list and the closed field show it.
    static void PaintItem(QPainter* painter, const QRect& rect, int index, bool selected);

  protected:
    void paintEvent(QPaintEvent* event) override;
};
