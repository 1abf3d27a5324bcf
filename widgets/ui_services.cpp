#include "ui_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>

namespace {

class DialogServices : public UiServices {
  public:
    void Message(QWidget* parent, const QString& text, Icon icon) override {
        const QString title = QApplication::applicationDisplayName();
        switch (icon) {
            case Icon::kInformation:
                QMessageBox::information(parent, title, text);
                break;
            case Icon::kExclamation:
                QMessageBox::warning(parent, title, text);
                break;
            case Icon::kError:
                QMessageBox::critical(parent, title, text);
                break;
        }
    }

    bool AskYesNo(QWidget* parent, const QString& text) override {
        return QMessageBox::question(parent, QApplication::applicationDisplayName(), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    bool AskPrinter(QWidget* parent, QPrinter* printer, int maxPage) override {
        QPrintDialog dialog(printer, parent);
        if (maxPage > 0) {
            dialog.setMinMax(1, maxPage);
            dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        } else {
            dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        }
        return dialog.exec() == QDialog::Accepted;
    }
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                         const QString& directory) override {
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    }

    QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                         const QString& defaultSuffix, const QString& directory) override {
        QFileDialog dialog(parent, caption, directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().first();
    }
};

DialogServices g_dialogs;
UiServices* g_installed = nullptr;

}  // namespace

UiServices& UiServices::Get() {
    return g_installed != nullptr ? *g_installed : g_dialogs;
}

void UiServices::Install(UiServices* services) {
    g_installed = services;
}
