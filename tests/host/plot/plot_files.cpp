#include "plot_files.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace plottest {

RunResult run(const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  RunResult result;
  char buf[4096];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) result.output.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  if (rc != 0) return result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

int GreyImage::inkIn(int x0, int y0, int x1, int y1) const {
  int count = 0;
  for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
      if (dark(x, y)) ++count;
  return count;
}

GreyImage readNetpbm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  in >> magic;
  auto number = [&] {
    in >> std::ws;
    while (in.peek() == '#') {
      std::string comment;
      std::getline(in, comment);
      in >> std::ws;
    }
    int v = 0;
    in >> v;
    return v;
  };
  GreyImage img;
  img.width = number();
  img.height = number();
  if (magic == "P5") number();
  in.get();
  img.pixels.assign(static_cast<std::size_t>(img.width) * img.height, 255);
  if (magic == "P5") {
    in.read(reinterpret_cast<char*>(img.pixels.data()),
            static_cast<std::streamsize>(img.pixels.size()));
  } else if (magic == "P4") {
    const int rowBytes = (img.width + 7) / 8;
    std::vector<char> row(static_cast<std::size_t>(rowBytes));
    for (int y = 0; y < img.height; ++y) {
      in.read(row.data(), rowBytes);
      for (int x = 0; x < img.width; ++x)
        if (row[static_cast<std::size_t>(x / 8)] & (0x80 >> (x % 8)))
          img.pixels[static_cast<std::size_t>(y) * img.width + x] = 0;
    }
  } else {
    throw std::runtime_error("not a PGM or PBM file: " + path);
  }
  return img;
}

GreyImage renderWithGhostscript(const std::string& file, double dpi, const std::string& workDir) {
  const std::string out = workDir + "/render.pgm";
  std::vector<std::string> args{"gs",
                                "-q",
                                "-dSAFER",
                                "-dBATCH",
                                "-dNOPAUSE",
                                "-sDEVICE=pgmraw",
                                "-r" + std::to_string(dpi),
                                "-sOutputFile=" + out};
  if (file.size() > 4 && file.substr(file.size() - 4) == ".eps") args.push_back("-dEPSCrop");
  args.push_back(file);
  const RunResult r = run(args);
  if (r.status != 0) throw std::runtime_error("gs failed: " + r.output);
  GreyImage img = readNetpbm(out);
  std::remove(out.c_str());
  return img;
}

PdfInfo pdfInfo(const std::string& pdf, const std::string& password) {
  std::vector<std::string> args{"pdfinfo"};
  if (!password.empty()) args.insert(args.end(), {"-upw", password});
  args.push_back(pdf);
  PdfInfo info;
  const RunResult r = run(args);
  info.raw = r.output;
  if (r.status != 0) return info;
  std::istringstream lines(r.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("Page size:", 0) == 0)
      std::sscanf(line.c_str(), "Page size: %lf x %lf", &info.width, &info.height);
    else if (line.rfind("Pages:", 0) == 0)
      std::sscanf(line.c_str(), "Pages: %d", &info.pages);
    else if (line.rfind("Encrypted:", 0) == 0)
      info.encrypted = line.find("yes") != std::string::npos;
  }
  return info;
}

}  // namespace plottest
