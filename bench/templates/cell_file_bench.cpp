// cell-file-bench: the memory and time that reading a template cell file costs. Writes cell
// files of three kinds: minimal records (empty name, corners and text: 10 bytes each),
// ordinary records (a short name, two three-double corners, a short text: 86 bytes) and
// records whose first corner is an array of 65,536 empty values (131 KB). Of each kind it
// writes a file of about 64 MB (or the megabytes given as the first argument), which is
// refused, and the largest file that is read. Each file is read with readCellFile and then
// with CAD::ReadMod (which keeps the list and returns a copy). Prints one figure a line: the
// records and size of the file, then per read the records read or the error, the seconds and
// the rise of the peak resident memory in megabytes and as a multiple of the file's size.

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>

#include "tarvik/cad.h"
#include "tarvik/cell_file.h"

namespace {

// A field of /proc/self/status in kilobytes ("VmHWM", "VmRSS").
long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
  }
  return -1;
}

// Starts a new peak: the kernel sets the high-water mark back to the current resident size.
void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void put16(QByteArray& b, std::uint16_t v) {
  b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
}

enum class Kind { kMinimal, kOrdinary, kManyEmpty };

QByteArray record(Kind kind, int i) {
  QByteArray b;
  if (kind == Kind::kMinimal) return QByteArray(10, '\0');
  const QByteArray name = "cell" + QByteArray::number(i % 100);
  put16(b, static_cast<std::uint16_t>(name.size()));
  b.append(name);
  for (int corner = 0; corner < 2; ++corner) {
    const bool empties = kind == Kind::kManyEmpty && corner == 0;
    put16(b, empties ? 0x200C : 0x2005);  // an array of Variants or of doubles
    put16(b, 1);
    const std::int32_t count = empties ? 65536 : 3, lower = 0;
    b.append(reinterpret_cast<const char*>(&count), 4);
    b.append(reinterpret_cast<const char*>(&lower), 4);
    if (empties) {
      b.append(QByteArray(2 * count, '\0'));
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      const double d = i * 0.5 + corner * 10 + k;
      b.append(reinterpret_cast<const char*>(&d), 8);
    }
  }
  put16(b, 1);
  put16(b, 2);
  b.append("A1");
  return b;
}

// Writes records until the file holds `bytes` or `most` records; returns the record count.
long writeFile(const QString& path, Kind kind, qint64 bytes, long most) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    throw std::runtime_error("cannot write " + path.toStdString());
  }
  long records = 0;
  qint64 written = 0;
  QByteArray chunk;
  while (written < bytes && records < most) {
    chunk.clear();
    while (chunk.size() < (1 << 20) && written + chunk.size() < bytes && records < most) {
      chunk.append(record(kind, static_cast<int>(records++)));
    }
    f.write(chunk);
    written += chunk.size();
  }
  return records;
}

template <class F>
void measure(const char* what, qint64 fileBytes, F&& read) {
  resetPeak();
  const long before = statusKb("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  std::string outcome;
  try {
    outcome = "records read " + std::to_string(read());
  } catch (const std::exception& e) {
    outcome = "refused";
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long rise = statusKb("VmHWM") - before;
  std::printf("  %-13s %s, %.2f s, peak memory +%.1f MB = %.1f x the file\n", what, outcome.c_str(),
              seconds, rise / 1024.0, rise * 1024.0 / static_cast<double>(fileBytes));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const qint64 megabytes = argc > 1 ? std::atol(argv[1]) : 64;
    QTemporaryDir dir;
    tarvik::CAD cad;
    cad.setModPath(dir.path());
    const QString path = dir.path() + "/mod/bench.dat";
    struct Case {
      const char* name;
      Kind kind;
      long most;
    };
    const Case cases[] = {
        {"minimal records", Kind::kMinimal, std::numeric_limits<long>::max()},
        {"minimal records, the most read", Kind::kMinimal, 65536},
        {"ordinary records", Kind::kOrdinary, std::numeric_limits<long>::max()},
        {"ordinary records, the most read", Kind::kOrdinary, 65536},
        {"records of 65,536 empty values", Kind::kManyEmpty, std::numeric_limits<long>::max()},
        {"records of 65,536 empty values, the most read", Kind::kManyEmpty, 17},
    };
    for (const Case& c : cases) {
      QFile::remove(path);
      const long records = writeFile(path, c.kind, megabytes << 20, c.most);
      const qint64 size = QFile(path).size();
      std::printf("%s: %ld in %.2f MB (%.0f bytes each)\n", c.name, records, size / 1048576.0,
                  static_cast<double>(size) / static_cast<double>(records));
      measure("readCellFile", size, [&] { return tarvik::readCellFile(path).size(); });
      measure("CAD::ReadMod", size, [&] { return cad.ReadMod("bench").size(); });
      cad.ReadMod("none");  // frees the working list
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cell-file-bench: %s\n", e.what());
    return 1;
  }
}
