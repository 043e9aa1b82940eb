#include "app/tab_control.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace velmora {

TabControl::TabControl(const QStringList &titles, QWidget *parent)
    : QWidget(parent)
    , m_bar(new QTabBar(this))
{
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    for (const QString &title : titles) {
        m_bar->addTab(title);
        auto *page = new QWidget(this);
        page->setObjectName(title);
        page->hide();
        m_pages.append(page);
    }
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) {
        for (int i = 0; i < m_pages.size(); ++i)
            m_pages[i]->setVisible(i == index);
        emit currentChanged(index);
    });
    if (!m_pages.isEmpty())
        m_pages.first()->show();
    layoutPages();
}

int TabControl::count() const
{
    return int(m_pages.size());
}

int TabControl::currentIndex() const
{
    return m_bar->currentIndex();
}

void TabControl::setCurrentIndex(int index)
{
    m_bar->setCurrentIndex(index);
}

QWidget *TabControl::page(int index) const
{
    return m_pages.value(index);
}

void TabControl::placeOnPage(int index, QWidget *child, const QRect &outerGeometry) const
{
    QWidget *target = page(index);
    child->setParent(target);
    child->setGeometry(outerGeometry.translated(-target->pos()));
}

void TabControl::layoutPages()
{
    m_bar->setGeometry(2, 0, width() - 4, kBarHeight);
    for (QWidget *page : std::as_const(m_pages))
        page->setGeometry(0, kBarHeight, width(), height() - kBarHeight);
}

void TabControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPages();
}

void TabControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, m_bar->height() - 1, 0, 0);
    frame.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

} // namespace velmora
