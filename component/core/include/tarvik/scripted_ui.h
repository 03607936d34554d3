#pragma once

// A Ui without windows: answers questions from a script and records what was asked and shown.
// It is the headless default and what tests install to answer the component's questions.

#include <QString>
#include <deque>
#include <vector>

#include "tarvik/ui.h"

namespace tarvik {

class ScriptedUi : public Ui {
 public:
  struct Question {
    QString title;
    QString text;
  };

  // Answers for the next questions, in order; when none is left, defaultAnswer() is used.
  void queueAnswer(bool yes) { answers_.push_back(yes); }
  void setDefaultAnswer(bool yes) { defaultAnswer_ = yes; }
  bool defaultAnswer() const { return defaultAnswer_; }

  const std::vector<Question>& questions() const { return questions_; }
  // Every message shown by showMessage, in order.
  const std::vector<Question>& messages() const { return messages_; }
  // Every text shown by viewNote, in order.
  const std::vector<QString>& notesShown() const { return notesShown_; }
  bool noteVisible() const { return noteVisible_; }
  QString noteText() const { return noteText_; }
  int noteLoads() const { return noteLoads_; }
  int eventPumps() const { return eventPumps_; }

  void processEvents() override;
  bool askYesNo(const QString& title, const QString& text) override;
  void showMessage(const QString& title, const QString& text) override;
  void loadNote() override { ++noteLoads_; }
  void unloadNote() override;
  void viewNote(const QString& text) override;
  void hideNote() override;

  // The drawing-number dialog: each dialog takes the next script, a list of what the user does
  // in turn: an entry confirmed (checked; a refusal is recorded as a message and the next
  // attempt follows), or nullopt for cancel. No script left, or its end reached: cancel.
  using DrawingNumberScript = std::vector<std::optional<DrawingNumberEntry>>;
  void queueDrawingNumber(DrawingNumberScript script) {
    drawingNumberScripts_.push_back(std::move(script));
  }
  int drawingNumberDialogs() const { return drawingNumberDialogs_; }
  std::optional<DrawingNumberEntry> askDrawingNumber(const DrawingNumberCheck& check) override;

 private:
  std::deque<bool> answers_;
  bool defaultAnswer_ = true;
  std::vector<Question> questions_;
  std::vector<Question> messages_;
  std::vector<QString> notesShown_;
  bool noteVisible_ = false;
  QString noteText_;
  int noteLoads_ = 0;
  int eventPumps_ = 0;
  std::deque<DrawingNumberScript> drawingNumberScripts_;
  int drawingNumberDialogs_ = 0;
};

}  // namespace tarvik
