// Shared pieces of the window tests: a QApplication on the offscreen platform with a private
// settings folder, scripted answers for the message boxes and file dialogs, and record files.
#pragma once

#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <string>

#include "ui_services.h"

// Records every message and answers questions and file dialogs from queues.
class FakeUi : public UiServices {
  public:
    FakeUi() { Install(this); }
    ~FakeUi() override { Install(nullptr); }

    void Message(QWidget*, const QString& text, Icon icon) override {
        messages.append(text);
        icons.push_back(icon);
    }
    bool AskYesNo(QWidget*, const QString& text) override {
        questions.append(text);
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    QString OpenFileName(QWidget*, const QString&, const QString& filter,
                         const QString& directory) override {
        filters.append(filter);
        directories.append(directory);
        return Next();
    }
    QString SaveFileName(QWidget*, const QString&, const QString& filter, const QString& suffix,
                         const QString& directory) override {
        filters.append(filter);
        suffixes.append(suffix);
        directories.append(directory);
        return Next();
    }

    // Answers the print dialog: prints to printPdf as a PDF when it is set, else cancels.
    bool AskPrinter(QWidget*, QPrinter* printer, int maxPage) override;

    QStringList messages;
    std::deque<Icon> icons;
    QStringList questions;
    QStringList filters;
    QStringList suffixes;       // default suffixes of the save dialogs
    QStringList directories;    // the folders the file dialogs started in
    std::deque<bool> answers;   // Yes/No answers, in order; No when empty
    std::deque<QString> files;  // file dialog results, in order; cancel when empty
    QString printPdf;           // where the print dialog sends the pages; cancel when empty
    int printDialogs = 0;       // print dialogs asked for
    int lastMaxPage = 0;        // the page count the last print dialog offered

  private:
    QString Next() {
        if (files.empty())
            return QString();
        const QString f = files.front();
        files.pop_front();
        return f;
    }
};

// Runs pending events, including the deletion of closed windows.
inline void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Writes bytes to path, inverted (as the store and its exports do) or plain.
bool WriteRecordFile(const QString& path, const std::string& text, bool inverted = true);
// Reads a whole file; inverted files are un-inverted.
std::string ReadRecordFile(const QString& path, bool inverted = true);

// A small record text: title, header with the given channels, and rows every 10 s.
std::string SampleRecordText(int rows, const std::string& title = "Line1",
                             const std::string& channels = "T1,T2");
