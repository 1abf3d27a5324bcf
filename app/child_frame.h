// The window of one view inside the main window.
#pragma once

#include <QMdiSubWindow>

class CHistavueView;
class DocumentManager;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
  public:
    CChildFrame(CHistavueView* view, DocumentManager* documents);

    CHistavueView* View() const { return view_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CHistavueView* view_;
    DocumentManager* documents_;
};
