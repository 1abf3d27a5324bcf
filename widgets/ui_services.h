// The modal exchanges with the user — message boxes, Yes/No questions, file dialogs — behind one
// small interface, so that tests read the exact texts and answer without a person.
#pragma once

#include <QString>

class QPrinter;
class QWidget;

class UiServices {
  public:
    enum class Icon { kInformation, kExclamation, kError };

    virtual ~UiServices() = default;

    // A message box with an OK button.
    virtual void Message(QWidget* parent, const QString& text, Icon icon) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // File dialogs; an empty result means the user cancelled. filter is in Qt's form; the dialog
    // starts in directory, or in the current folder when it is empty. The save dialog asks
    // before an existing file is replaced.
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& directory = QString()) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& defaultSuffix,
                                 const QString& directory = QString()) = 0;
    // The print dialog on printer, offering pages 1..maxPage (0: no page range); true when the
    // user chose to print (the printer then holds the choices).
    virtual bool AskPrinter(QWidget* parent, QPrinter* printer, int maxPage) = 0;

    // The services in use (the real dialogs unless a test installed others).
    static UiServices& Get();
    // Installs services (not owned); null restores the real dialogs.
    static void Install(UiServices* services);
};
