// cell-file-bench: the memory a large template cell file costs when it is read. Writes a cell
// file of about 64 MB (or the megabytes given as the first argument) twice, once of minimal
// records (empty name, corners and text: 10 bytes each) and once of ordinary records (a short
// name, two three-double corners, a short text), and reads each with readCellFile and then
// with CAD::ReadMod. Prints one figure a line: the records, the file's size, the seconds of
// each read and the rise of the peak resident memory over the read, in megabytes and as a
// multiple of the file's size.

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
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

QByteArray ordinaryRecord(int i) {
  QByteArray b;
  const QByteArray name = "cell" + QByteArray::number(i % 100);
  put16(b, static_cast<std::uint16_t>(name.size()));
  b.append(name);
  for (int corner = 0; corner < 2; ++corner) {
    put16(b, 0x2005);  // an array of doubles
    put16(b, 1);
    const std::int32_t count = 3, lower = 0;
    b.append(reinterpret_cast<const char*>(&count), 4);
    b.append(reinterpret_cast<const char*>(&lower), 4);
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

// Writes records until the file holds `bytes`; returns the record count.
long writeFile(const QString& path, qint64 bytes, bool minimal) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + path.toStdString());
  long records = 0;
  QByteArray chunk;
  qint64 written = 0;
  while (written < bytes) {
    chunk.clear();
    while (chunk.size() < (1 << 20) && written + chunk.size() < bytes) {
      if (minimal) {
        chunk.append(QByteArray(10, '\0'));
      } else {
        chunk.append(ordinaryRecord(static_cast<int>(records)));
      }
      ++records;
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
  const std::size_t n = read();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long rise = statusKb("VmHWM") - before;
  std::printf("%-28s records read %zu, %.2f s, peak memory +%.0f MB = %.1f x the file\n", what, n,
              seconds, rise / 1024.0, rise * 1024.0 / static_cast<double>(fileBytes));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const qint64 megabytes = argc > 1 ? std::atol(argv[1]) : 64;
    QTemporaryDir dir;
    tarvik::CAD cad;
    cad.setModPath(dir.path());
    for (const bool minimal : {true, false}) {
      const QString path = dir.path() + "/mod/bench.dat";
      QFile::remove(path);
      const long records = writeFile(path, megabytes << 20, minimal);
      const qint64 size = QFile(path).size();
      std::printf("%s records: %ld in %.1f MB (%.1f bytes each)\n",
                  minimal ? "minimal" : "ordinary", records, size / 1048576.0,
                  static_cast<double>(size) / static_cast<double>(records));
      measure("  readCellFile", size, [&] { return tarvik::readCellFile(path).size(); });
      measure("  CAD::ReadMod", size, [&] { return cad.ReadMod("bench").size(); });
      cad.ReadMod("empty");  // frees the working list
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cell-file-bench: %s\n", e.what());
    return 1;
  }
}
