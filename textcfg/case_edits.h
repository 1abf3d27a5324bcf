// Edits that change the case of letters as they are typed: the title and channel-name edits
// make them capitals, the remark edit small letters. Text set by the program stays as it is.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

enum class LetterCase { kUpper, kLower };

class CCaseLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    CCaseLineEdit(LetterCase letterCase, QWidget* parent = nullptr)
        : QLineEdit(parent), case_(letterCase) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    LetterCase case_;
};

class CCaseTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    CCaseTextEdit(LetterCase letterCase, QWidget* parent = nullptr)
        : QPlainTextEdit(parent), case_(letterCase) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    LetterCase case_;
};
