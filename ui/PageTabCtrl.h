#pragma once
// The main window's tab control: owns the pages, shows the one of the selected tab (only that
// one is enabled) and draws its own tab labels: the selected one in bold red with a grey shadow
// 2 pixels down and right, the others regular in the button-text colour.

#include <QTabBar>
#include <QTabWidget>

#include <vector>

namespace velmar {

class ConvertPage;
class DialogService;
class MergePage;
class ReadPage;
class WritePage;

inline constexpr int kTabWidth = 60;
inline constexpr int kTabHeight = 80;
inline constexpr int kTabLabelPoints = 12;
inline constexpr int kShadowOffset = 2;

class PageTabBar : public QTabBar {
    Q_OBJECT
  public:
    explicit PageTabBar(QWidget* parent = nullptr);
    // 12-point Arial (or the nearest the system has), bold for the selected tab.
    static QFont labelFont(bool selected);
    // Where the label of the tab is drawn (the tab less the edge at its top).
    QRect labelRect(int index) const;

  protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void drawLabel(QPainter& painter, int index) const;
};

class PageTabCtrl : public QTabWidget {
    Q_OBJECT
  public:
    explicit PageTabCtrl(QWidget* parent = nullptr);

    // Creates the pages as children of the control and their tabs, in tab order.
    void initPages(DialogService& dialogs);
    // Shows the page of the selected tab and enables only that page.
    void showSelectedPage();

    int currentPage() const { return currentPage_; }
    int pageCount() const { return static_cast<int>(pages_.size()); }
    QWidget* page(int index) const;
    ConvertPage* convertPage() const;
    MergePage* mergePage() const;
    ReadPage* readPage() const;
    WritePage* writePage() const;
    PageTabBar* pageTabBar() const { return bar_; }

  private:
    PageTabBar* bar_;
    int currentPage_ = 0;
    std::vector<QWidget*> pages_; // owned by the control as its children
};

} // namespace velmar
