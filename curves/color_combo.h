// A drop-down list of the 32 colours of CurveColorTable, each item drawn as a swatch: the item
// rectangle shrunk by 2 pixels filled with the colour, a focus frame on it when selected, and a
// 1-pixel black frame round the whole item. Item i stands for colour i.
#pragma once

#include <QComboBox>
#include <QList>

class CColorCombo : public QComboBox {
    Q_OBJECT
  public:
    // Height of an item in pixels.
    static constexpr int kItemHeight = 18;

    explicit CColorCombo(QWidget* parent = nullptr);

    // Empties the box and adds one item with empty text per colour, selecting item 0.
    void Fill();

    // Draws item `index` into rect as the list and the closed field show it.
    static void PaintItem(QPainter* painter, const QRect& rect, int index, bool selected);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QList<QColor> colors_;
};
