#include "mobrel/wildcard.h"

namespace mobrel {

namespace {

bool matchFrom(QStringView p, QStringView s) {
  // Iterative glob match with one backtrack point per "*".
  qsizetype pi = 0, si = 0, starP = -1, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && (p[pi] == u'?' || p[pi].toCaseFolded() == s[si].toCaseFolded())) {
      ++pi;
      ++si;
    } else if (pi < p.size() && p[pi] == u'*') {
      starP = pi++;
      starS = si;
    } else if (starP >= 0) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == u'*') ++pi;
  return pi == p.size();
}

}  // namespace

bool hasWildcard(const QString& name) {
  return name.contains(u'*') || name.contains(u'?');
}

bool wildcardMatch(const QString& pattern, const QString& name) {
  if (matchFrom(pattern, name)) return true;
  if (pattern.endsWith(QLatin1String(".*"))) {
    return matchFrom(QStringView(pattern).chopped(2), name);
  }
  if (pattern.endsWith(u'.') && !name.contains(u'.')) {
    return matchFrom(QStringView(pattern).chopped(1), name);
  }
  return false;
}

}  // namespace mobrel
