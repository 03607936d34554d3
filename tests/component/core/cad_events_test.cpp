// Registration and raising of the CAD events.

#include <gtest/gtest.h>

#include <tarvik/cad_events.h>

#include <vector>
#include "qstring_printer.h"

namespace tarvik {
namespace {

struct Recorder : CADEvents {
  std::vector<QString> log;
  void AnDwgFileBigen(const QString& p) override { log.push_back("file+" + p); }
  void AnDwgFileEnd(const QString& p, const QString& r) override {
    log.push_back("file-" + p + ":" + r);
  }
  void AnDwgDirBigen(const QString& d) override { log.push_back("dir+" + d); }
  void AnDwgDirEnd(const QString& d, const QString& r) override {
    log.push_back("dir-" + d + ":" + r);
  }
};

TEST(CadEvents, ReachRegisteredHandlersOnce) {
  CADEventList events;
  Recorder a, b;
  events.add(&a);
  events.add(&a);
  events.add(&b);
  events.raiseAnDwgDirBigen("/d");
  events.raiseAnDwgFileBigen("/d/1.dxf");
  events.raiseAnDwgFileEnd("/d/1.dxf", "/d/AnRpt.txt");
  events.raiseAnDwgDirEnd("/d", "");
  const std::vector<QString> expected{"dir+/d", "file+/d/1.dxf", "file-/d/1.dxf:/d/AnRpt.txt",
                                      "dir-/d:"};
  EXPECT_EQ(a.log, expected);
  EXPECT_EQ(b.log, expected);

  events.remove(&a);
  events.remove(&a);
  events.raiseAnDwgDirBigen("/e");
  EXPECT_EQ(a.log.size(), 4u);
  EXPECT_EQ(b.log.size(), 5u);
}

TEST(CadEvents, HandlerChangesTheListWhileRaised) {
  CADEventList events;
  Recorder late;
  struct SelfRemover : CADEvents {
    CADEventList* list = nullptr;
    CADEvents* victim = nullptr;
    CADEvents* newcomer = nullptr;
    int calls = 0;
    void AnDwgDirBigen(const QString&) override {
      ++calls;
      list->remove(this);
      list->remove(victim);
      list->add(newcomer);
    }
  } remover;
  Recorder victim;
  remover.list = &events;
  remover.victim = &victim;
  remover.newcomer = &late;
  events.add(&remover);
  events.add(&victim);

  events.raiseAnDwgDirBigen("/d");
  EXPECT_EQ(remover.calls, 1);
  EXPECT_TRUE(victim.log.empty());  // removed before its turn
  EXPECT_TRUE(late.log.empty());    // added during the event: from the next one on
  events.raiseAnDwgDirBigen("/e");
  EXPECT_EQ(remover.calls, 1);
  EXPECT_EQ(late.log, std::vector<QString>{"dir+/e"});
}

}  // namespace
}  // namespace tarvik
