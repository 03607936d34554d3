// What every canvas can do from its primitives, and writing a plot file.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "cadhost/host_error.h"
#include "plot/canvas.h"

namespace cadhost::plot {

void Canvas::arc(P2 centre, double radius, double a0, double a1, const Pen& pen) {
  constexpr double kTolerance = 0.02;  // millimetres
  // Counted as a double: on a radius so large that the step is 0 it is infinite.
  double count = 1;
  if (radius > kTolerance)
    count = std::ceil(std::fabs(a1 - a0) / (2 * std::acos(1 - kTolerance / radius)));
  const int n = std::isnan(count) ? 1 : static_cast<int>(std::clamp(count, 1.0, 1440.0));
  std::vector<P2> points;
  points.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + (a1 - a0) * i / n;
    points.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  }
  polyline(points, false, pen);
}

PlotFileStream::PlotFileStream(const PlotFile& file) : name_(file.name) {
  fd_ = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) fail(errno);
}

PlotFileStream::~PlotFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

bool PlotFileStream::write(std::string_view bytes) {
  while (error_ == 0 && !bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      error_ = n < 0 ? errno : EIO;
    else
      bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return error_ == 0;
}

void PlotFileStream::close() {
  const int fd = std::exchange(fd_, -1);
  if (fd < 0) return;
  if (::close(fd) != 0 && error_ == 0) error_ = errno;
  if (error_ != 0) fail(error_);
}

void PlotFileStream::fail(int error) const {
  throw HostError(HostError::Io,
                  "cannot write the plot file " + name_ + ": " + std::strerror(error));
}

void writePlotFile(const PlotFile& file, std::string_view bytes) {
  PlotFileStream stream(file);
  stream.write(bytes);
  stream.close();
}

}  // namespace cadhost::plot
