#pragma once

// Shared set-up of the object-model tests: a running host with a new drawing, a temporary
// folder, and small helpers for points and drawing files.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "../dxf/dxf_test_support.h"
#include "cadhost/cadhost.h"

namespace cadhost {
// Entities print as their type and handle in test messages.
inline void PrintTo(const Entity& e, std::ostream* os) {
  try {
    *os << e.dxfType() << " " << e.handle();
  } catch (const HostError&) {
    *os << "(erased entity)";
  }
}
}  // namespace cadhost

namespace hosttest {

// Runs a python3-ezdxf script that must succeed; returns what it printed.
inline std::string python(const std::string& script) {
  int code = -1;
  std::string out = dxftest::runPython(script, code);
  EXPECT_EQ(code, 0) << out;
  return out;
}

inline cadhost::Point3 pt(double x, double y, double z = 0) {
  return cadhost::Point3{x, y, z};
}

// An empty R12 drawing whose new handles start at 100.
constexpr std::string_view kEmptyR12Drawing = R"(0 SECTION
2 HEADER
9 $ACADVER
1 AC1009
9 $HANDSEED
5 100
0 ENDSEC
0 SECTION
2 ENTITIES
0 ENDSEC
0 EOF
)";

inline void expectNear(const cadhost::Point3& a, const cadhost::Point3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
  EXPECT_NEAR(a.z, b.z, 1e-9);
}

// Expects `call` to throw HostError with `code`.
#define EXPECT_HOST_ERROR(call, errorCode)                            \
  do {                                                                \
    try {                                                             \
      call;                                                           \
      ADD_FAILURE() << #call " did not fail";                         \
    } catch (const cadhost::HostError& e) {                           \
      EXPECT_EQ(e.code(), cadhost::HostError::errorCode) << e.what(); \
    }                                                                 \
  } while (0)

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = cadhost::Application::create();
    doc = app->documents().add();
  }
  void TearDown() override {
    try {
      app->quit();
    } catch (const cadhost::HostError&) {
    }
  }

  // Saves the document as `name` in the temporary folder and returns the path.
  std::string saveAs(cadhost::Document& d, const std::string& name) {
    std::string path = tmp.path(name);
    d.saveAs(path);
    return path;
  }

  // Opens a drawing written from "code value" lines (see dxftest::dxfText).
  cadhost::Document openDxf(const std::string& name, std::string_view lines) {
    const std::string path = tmp.path(name);
    dxftest::writeBytes(path, dxftest::dxfText(lines));
    return app->documents().open(path);
  }

  dxftest::TempDir tmp;
  std::shared_ptr<cadhost::Application> app;
  cadhost::Document doc;
};

}  // namespace hosttest
