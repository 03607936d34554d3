#pragma once

// Test drawings written by python3-ezdxf, a host to open them in, and a CAD object on it.

#include <cadhost/application.h>
#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "tarvik/cad.h"
#include "tarvik/scripted_ui.h"

namespace recogtest {

// Runs `body` (Python, with ezdxf imported and the helpers of the fixture defined) to write
// the drawing `path`. Returns "" on success, else what Python printed.
std::string writeWithEzdxf(const std::string& path, const std::string& body);

// The title block of the tests, drawn at `origin` turned by `degrees`, 180 x 40: rows at
// y 10, 20, 30 (the line at 20 in two pieces with a 0.8 gap, the one at 10 in two overlapping
// pieces), columns at x 30 (stopping 1.5 short of the top), 80 (an open LWPOLYLINE) and 130
// (only up to y 20: the cells above it are merged), the border a closed LWPOLYLINE. Texts:
// "图号" / "A100-B500-00" / MTEXT "工程名称" with formatting codes in the top row, "Scale 1:100"
// across the first two cells of the second row, "设计   张三" (three spaces) in the first cell
// of the third row, MTEXT "钢结构Steel" in the merged cell of the second row.
std::string titleBlockPython(double ox, double oy, double degrees);

// The cells of the title block in its own coordinates: left, top, right, bottom.
struct Box {
  double l, t, r, b;
};
std::vector<Box> titleBlockCells();

// A test suite whose drawings are written once, in SetUpTestSuite, into a folder that lives
// as long as the suite. Each suite (the template argument) has a folder of its own.
template <class Suite>
class SuiteDrawings : public ::testing::Test {
 protected:
  static void TearDownTestSuite() { dir_.reset(); }
  // The suite's folder, made on first use.
  static const QTemporaryDir& dir() {
    if (!dir_) dir_ = std::make_unique<QTemporaryDir>();
    return *dir_;
  }
  static std::string file(const char* name) {
    return dir().filePath(QString::fromUtf8(name)).toStdString();
  }

 private:
  static inline std::unique_ptr<QTemporaryDir> dir_;
};

class Host {
 public:
  Host();
  ~Host();
  std::shared_ptr<cadhost::Application> app;
  tarvik::CAD cad;
  QTemporaryDir dir;
  std::string path(const std::string& name) const {
    return dir.filePath(QString::fromStdString(name)).toStdString();
  }
  // Opens a drawing and makes it the CAD object's document.
  cadhost::Document open(const std::string& file);
};

}  // namespace recogtest
