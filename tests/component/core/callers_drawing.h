#pragma once

// The caller's own drawing, given a change it has not saved, for tests of members that open a
// drawing of their own: check() says the member left the caller's drawing open, active, given
// back as AcadDoc and unchanged.

#include <cadhost/application.h>
#include <cadhost/block.h>
#include <cadhost/document.h>
#include <cadhost/entity.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
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
        entities_(drawing_.modelSpace().count()),
        layout_(layoutSettings(drawing_)),
        file_(drawing_.fullName()),
        saved_(contents(file_)) {}

  void check() const {
    ASSERT_EQ(app_->documents().count(), 1);
    EXPECT_TRUE(app_->activeDocument() == drawing_);
    ASSERT_TRUE(cad_.AcadDoc.has_value());
    EXPECT_TRUE(*cad_.AcadDoc == drawing_);
    EXPECT_EQ(drawing_.modelSpace().count(), entities_);
    EXPECT_EQ(unsaved_.textString(), "unsaved");
    EXPECT_EQ(layoutSettings(drawing_), layout_);
    EXPECT_EQ(contents(file_), saved_) << file_;
  }

 private:
  // Every plot setting of the drawing's layout, as one text.
  static std::string layoutSettings(const cadhost::Document& drawing) {
    const cadhost::Layout l = drawing.activeLayout();
    std::ostringstream out;
    double n = 0, d = 0;
    l.getCustomScale(n, d);
    const cadhost::Point3 origin = l.plotOrigin();
    out << l.configName() << '|' << l.styleSheet() << '|' << l.plotWithPlotStyles() << '|'
        << l.paperUnits() << '|' << l.canonicalMediaName() << '|' << l.plotRotation() << '|'
        << l.useStandardScale() << '|' << l.standardScale() << '|' << n << ':' << d << '|'
        << origin.x << ',' << origin.y << '|' << l.centerPlot() << '|' << l.plotType();
    if (l.plotType() == 4) {
      cadhost::Point3 ll, ur;
      l.getWindowToPlot(ll, ur);
      out << '|' << ll.x << ',' << ll.y << ',' << ur.x << ',' << ur.y;
    }
    return out.str();
  }
  // The bytes of the file at `path`; "" for a drawing never saved.
  static std::string contents(const std::string& path) {
    if (path.empty()) return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::shared_ptr<cadhost::Application> app_;
  const CAD& cad_;
  cadhost::Document drawing_;
  cadhost::Entity unsaved_;
  int entities_;
  std::string layout_;
  std::string file_;
  std::string saved_;
};

}  // namespace tarvik
