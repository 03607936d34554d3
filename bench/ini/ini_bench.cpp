// ini-bench: the seconds that new keys of an early section cost in a large INI file, through
// IniFile::WriteIniKeys (one read, one write) and through KeptIniFile (keys that may wait,
// written by one sync). Prints one line a measurement:
//   2,000 new keys into the first section of a file of 10,000 sections;
//   2,000 new keys into the first section of a file of 200,000 lines (20,000 sections);
//   2,000 new keys, one into each of the first 2,000 sections of that file.
// `--keys N` writes N keys in place of 2,000. `--in-place` gives each file a second name (a
// hard link), so that every change is written into the file itself rather than renamed over it.

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "mobrel/ini_file.h"
#include "mobrel/kept_ini_file.h"

namespace {

bool inPlace = false;

double seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A report-like file: `sections` sections "[c:/out/N.dxf]" of `keysEach` keys each.
void writeFile(const QString& path, int sections, int keysEach) {
  {
    std::ofstream out(path.toStdString(), std::ios::binary);
    for (int s = 0; s < sections; ++s) {
      out << "[c:/out/" << s << ".dxf]\r\n";
      for (int k = 0; k < keysEach; ++k) out << "Key" << k << "=value " << k << "\r\n";
    }
  }
  if (inPlace) std::filesystem::create_hard_link(path.toStdString(), path.toStdString() + ".link");
}

void removeFile(const QString& path) {
  QFile::remove(path);
  QFile::remove(path + ".link");
}

QString sectionName(int s) {
  return QStringLiteral("c:/out/%1.dxf").arg(s);
}

// The keys: all into the first section, or one into each of the first sections.
std::vector<mobrel::IniFile::KeyWrite> newKeys(int count, bool spread) {
  std::vector<mobrel::IniFile::KeyWrite> keys;
  keys.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    keys.push_back({sectionName(spread ? i : 0), QStringLiteral("New%1").arg(i), "x"});
  return keys;
}

void measure(const QTemporaryDir& dir, const char* what, int sections, int keysEach, int count,
             bool spread) {
  const auto keys = newKeys(count, spread);
  const QString plainPath = dir.filePath("plain.ini");
  writeFile(plainPath, sections, keysEach);
  mobrel::IniFile plain(plainPath);
  bool ok = true;
  const double plainSeconds = seconds([&] { ok = plain.WriteIniKeys(keys); });

  const QString keptPath = dir.filePath("kept.ini");
  writeFile(keptPath, sections, keysEach);
  double keptSeconds = 0;
  {
    mobrel::KeptIniFile kept(keptPath);
    keptSeconds = seconds([&] {
      for (const auto& k : keys) ok = kept.write({{k.section, k.key, k.value, true}}) && ok;
      ok = kept.sync() && ok;
    });
  }
  std::printf(
      "%d new keys %s (%d lines)%s: WriteIniKeys %.3f s, KeptIniFile writes and sync "
      "%.3f s%s\n",
      count, what, sections * (keysEach + 1), inPlace ? ", in place" : "", plainSeconds,
      keptSeconds, ok ? "" : " (a write FAILED)");
  std::fflush(stdout);
  removeFile(plainPath);
  removeFile(keptPath);
}

}  // namespace

int main(int argc, char** argv) {
  int count = 2000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc) {
      count = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--in-place") == 0) {
      inPlace = true;
    } else {
      std::fprintf(stderr, "usage: ini-bench [--keys N] [--in-place]\n");
      return 2;
    }
  }
  QTemporaryDir dir;
  if (!dir.isValid()) {
    std::fprintf(stderr, "ini-bench: cannot make a temporary folder\n");
    return 1;
  }
  measure(dir, "into the first of 10,000 sections", 10000, 1, count, false);
  measure(dir, "into the first section of a 200,000-line file", 20000, 9, count, false);
  measure(dir, "one into each section of a 200,000-line file", 20000, 9, count, true);
  return 0;
}
