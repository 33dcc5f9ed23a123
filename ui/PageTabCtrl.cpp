#include "ui/PageTabCtrl.h"

#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

#include <algorithm>

#include "ui/AppTexts.h"
#include "ui/ConvertPage.h"
#include "ui/MergePage.h"
#include "ui/ReadPage.h"
#include "ui/WritePage.h"

namespace velmar {

namespace {

constexpr int kEdgeWidth = 2;   // the system's edge width
constexpr int kLabelMargin = 8; // room beside a label that is wider than a tab

} // namespace

PageTabBar::PageTabBar(QWidget* parent) : QTabBar(parent) {
    setExpanding(false);
    setDrawBase(true);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

QFont PageTabBar::labelFont(bool selected) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(kTabLabelPoints);
    font.setWeight(selected ? QFont::Bold : QFont::Normal);
    return font;
}

QSize PageTabBar::tabSizeHint(int index) const {
    // Fixed-width tabs; a font wider than Arial widens all of them alike.
    int width = kTabWidth;
    const QFontMetrics metrics(labelFont(true));
    for (int i = 0; i < count(); ++i) {
        width = std::max(width, metrics.horizontalAdvance(tabText(i)) + 2 * kLabelMargin);
    }
    Q_UNUSED(index);
    return {width, kTabHeight};
}

QSize PageTabBar::minimumTabSizeHint(int index) const {
    return tabSizeHint(index);
}

QRect PageTabBar::labelRect(int index) const {
    QRect rect = tabRect(index);
    rect.setTop(rect.top() + kEdgeWidth);
    return rect.adjusted(kEdgeWidth, 0, -kEdgeWidth, -kEdgeWidth);
}

void PageTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        option.text.clear();
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        drawLabel(painter, i);
    }
}

void PageTabBar::drawLabel(QPainter& painter, int index) const {
    if (index < 0) {
        return;
    }
    const QString text = tabText(index).left(63);
    const bool selected = index == currentIndex();
    painter.save();
    painter.setFont(labelFont(selected));
    QRect rect = labelRect(index);
    painter.fillRect(rect, palette().color(QPalette::Button));
    constexpr int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (selected) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(rect, flags, text);
        rect.translate(-kShadowOffset, -kShadowOffset);
        painter.setPen(QColor(255, 0, 0));
        painter.drawText(rect, flags, text);
    } else {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(rect, flags, text);
    }
    painter.restore();
}

PageTabCtrl::PageTabCtrl(QWidget* parent) : QTabWidget(parent), bar_(new PageTabBar(this)) {
    setTabBar(bar_);
    setUsesScrollButtons(false);
    setDocumentMode(false);
}

void PageTabCtrl::initPages(DialogService& dialogs) {
    currentPage_ = 0;
    if (!pages_.empty()) {
        return;
    }
    pages_.push_back(new ConvertPage(dialogs, this));
    pages_.push_back(new MergePage(dialogs, this));
    pages_.push_back(new ReadPage(dialogs, this));
    pages_.push_back(new WritePage(dialogs, this));
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i]->setEnabled(false);
        addTab(pages_[i], QString::fromLatin1(kTabNames[i]));
    }
}

void PageTabCtrl::showSelectedPage() {
    currentPage_ = std::max(0, currentIndex());
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i]->setEnabled(static_cast<int>(i) == currentPage_);
    }
}

QWidget* PageTabCtrl::page(int index) const {
    if (index < 0 || index >= pageCount()) {
        return nullptr;
    }
    return pages_[static_cast<std::size_t>(index)];
}

ConvertPage* PageTabCtrl::convertPage() const {
    return qobject_cast<ConvertPage*>(page(0));
}

MergePage* PageTabCtrl::mergePage() const {
    return qobject_cast<MergePage*>(page(1));
}

ReadPage* PageTabCtrl::readPage() const {
    return qobject_cast<ReadPage*>(page(2));
}

WritePage* PageTabCtrl::writePage() const {
    return qobject_cast<WritePage*>(page(3));
}

} // namespace velmar
