#include "case_edits.h"

#include <QKeyEvent>
#include <memory>

namespace {

// The key press with its text in the wanted case, or null when the text is already so.
std::unique_ptr<QKeyEvent> Recased(const QKeyEvent* event, LetterCase letterCase) {
    const QString text = event->text();
    const QString recased = letterCase == LetterCase::kUpper ? text.toUpper() : text.toLower();
    if (recased == text)
        return nullptr;
    return std::make_unique<QKeyEvent>(event->type(), event->key(), event->modifiers(), recased,
                                       event->isAutoRepeat(), event->count());
}

}  // namespace

void CCaseLineEdit::keyPressEvent(QKeyEvent* event) {
    if (auto recased = Recased(event, case_)) {
        QLineEdit::keyPressEvent(recased.get());
        event->setAccepted(recased->isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CCaseTextEdit::keyPressEvent(QKeyEvent* event) {
    if (auto recased = Recased(event, case_)) {
        QPlainTextEdit::keyPressEvent(recased.get());
        event->setAccepted(recased->isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
