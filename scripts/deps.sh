# Sourced by test.sh and run.sh: installs the Debian packages the build and the tests need,
# when any is missing, and says which.
SHEETCUT_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libxml2-dev libcurl4-openssl-dev libcairo2-dev libpango1.0-dev uuid-dev zlib1g-dev
  googletest libgtest-dev
  ghostscript fonts-noto-cjk fonts-dejavu-core poppler-utils hp2xx qt6-translations-l10n
  python3 python3-ezdxf vsftpd python3-pyftpdlib openssl acl btrfs-progs xfsprogs e2fsprogs mount
  librecad-data
  libcups2-dev cups-client cups printer-driver-cups-pdf
)

sheetcut_install_deps() {
  local missing=()
  local pkg
  for pkg in "${SHEETCUT_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
