#pragma once

// The caller's own drawing, given a change it has not saved, for tests of members that open a
// drawing of their own: check() says the member left the caller's drawing open, active, given
// back as AcadDoc and unchanged.

#include <cadhost/application.h>
#include <cadhost/block.h>
#include <cadhost/document.h>
#include <cadhost/entity.h>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "tarvik/cad.h"

namespace tarvik {

class CallersDrawing {
 public:
  CallersDrawing(std::shared_ptr<cadhost::Application> app, const CAD& cad,
                 cadhost::Document drawing)
      : app_(std::move(app)),
        cad_(cad),
        drawing_(drawing),
        unsaved_(drawing_.modelSpace().addText("unsaved", {1, 2, 0}, 2.5)),
        entities_(drawing_.modelSpace().count()) {}

  void check() const {
    ASSERT_EQ(app_->documents().count(), 1);
    EXPECT_TRUE(app_->activeDocument() == drawing_);
    ASSERT_TRUE(cad_.AcadDoc.has_value());
    EXPECT_TRUE(*cad_.AcadDoc == drawing_);
    EXPECT_EQ(drawing_.modelSpace().count(), entities_);
    EXPECT_EQ(unsaved_.textString(), "unsaved");
  }

 private:
  std::shared_ptr<cadhost::Application> app_;
  const CAD& cad_;
  cadhost::Document drawing_;
  cadhost::Entity unsaved_;
  int entities_;
};

}  // namespace tarvik
