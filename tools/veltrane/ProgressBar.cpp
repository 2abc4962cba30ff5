#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace Quorvel::Cli {
namespace {

constexpr int kBarWidth = 30;

}  // namespace

ProgressBar::ProgressBar(bool isEnabled, std::string barLabel, std::optional<std::uint64_t> frameTotal)
    : enabled(isEnabled), label(std::move(barLabel)), total(frameTotal) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(std::uint64_t done) {
  if (!enabled) return;
  std::string line = "\r";
  if (total && *total != 0) {
    const std::uint64_t shown = std::min(done, *total);
    const int filled = static_cast<int>(shown * kBarWidth / *total);
    line += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
    line += std::to_string(shown * 100 / *total) + "% " + std::to_string(shown) + "/" + std::to_string(*total);
  } else {
    line += std::to_string(done);
  }
  line += " frames  " + label + "\x1b[K";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  drawn = true;
}

void ProgressBar::Finish() {
  if (!drawn) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  drawn = false;
}

}  // namespace Quorvel::Cli
