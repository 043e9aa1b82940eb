#pragma once

#include <QWidget>

class QTabBar;

namespace velmora {

// A tab control whose pages are placed from its outer top left corner, tab
// row included, as the window's layout gives every place. Each page is a
// widget covering the area below the tab row; page(i)->placeChild() maps a
// layout place to that widget.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(const QStringList &titles, QWidget *parent = nullptr);

    int count() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    QWidget *page(int index) const;
    QTabBar *tabBar() const { return m_bar; }

    // Places a child of page `index` at a rectangle given relative to this
    // control's outer corner.
    void placeOnPage(int index, QWidget *child, const QRect &outerGeometry) const;

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutPages();

    QTabBar *m_bar = nullptr;
    // The tab row is as tall as the layout's pages expect (their first
    // group boxes start 24 pixels below the outer corner), whatever the
    // style's size hint; fixed, so page children keep their places.
    static constexpr int kBarHeight = 21;
    QList<QWidget *> m_pages;
};

} // namespace velmora
