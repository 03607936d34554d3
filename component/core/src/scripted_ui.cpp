// The windowless user interface.

#include "tarvik/scripted_ui.h"

#include <QCoreApplication>

namespace tarvik {

void ScriptedUi::processEvents() {
  ++eventPumps_;
  // A console program may still run a Qt event loop whose events should not wait.
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

bool ScriptedUi::askYesNo(const QString& title, const QString& text) {
  questions_.push_back({title, text});
  if (answers_.empty()) return defaultAnswer_;
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

void ScriptedUi::showMessage(const QString& title, const QString& text) {
  messages_.push_back({title, text});
}

std::optional<DrawingNumberEntry> ScriptedUi::askDrawingNumber(const DrawingNumberCheck& check) {
  ++drawingNumberDialogs_;
  if (drawingNumberScripts_.empty()) return std::nullopt;
  const DrawingNumberScript script = std::move(drawingNumberScripts_.front());
  drawingNumberScripts_.pop_front();
  for (const auto& attempt : script) {
    if (!attempt) return std::nullopt;
    const QString refusal = check(*attempt);
    if (refusal.isEmpty()) return attempt;
    showMessage(QStringLiteral("Tarvik"), refusal);
  }
  return std::nullopt;
}

void ScriptedUi::unloadNote() {
  if (noteLoads_ > 0) --noteLoads_;
}

void ScriptedUi::viewNote(const QString& text) {
  notesShown_.push_back(text);
  noteText_ = text;
  noteVisible_ = true;
}

void ScriptedUi::hideNote() {
  noteText_.clear();
  noteVisible_ = false;
}

}  // namespace tarvik
