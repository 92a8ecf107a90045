#!/usr/bin/env bash
# Fetches and unpacks the source of the one library the Windows build compiles itself: libspng,
# in the version the Linux build links (that of libspng-dev), from Debian's source archive on the
# mirror and suites this machine's apt already uses. apt checks the source index against the
# Release file signed with Debian's archive key and every downloaded file against that index;
# dpkg-source unpacks it. The system's apt configuration and lists are left alone: apt runs with a
# sources list and lists folder of its own under DEST.
#   fetch-windows-sources.sh DEST     (make windows passes build-windows-sources)
# Leaves the source in DEST/libspng. Idempotent: downloads nothing when DEST already holds that
# version. Needs network access to the mirror only when it does download.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DEST" >&2; exit 2; }
dest=$(realpath -m "$1")
package=libspng
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

say() { echo "fetch-windows-sources.sh: $*" >&2; }

version=$(dpkg-query -W -f='${source:Version}' libspng-dev 2>/dev/null) || true
if [ -z "$version" ]; then
  say "libspng-dev is not installed (scripts/install-deps.sh): its version is the one to fetch"
  exit 1
fi
if [ -f "$dest/$package.version" ] && [ "$(cat "$dest/$package.version")" = "$version" ] \
   && [ -f "$dest/$package/spng/spng.c" ]; then
  exit 0
fi
for tool in apt-get dpkg-source; do
  command -v "$tool" >/dev/null || { say "$tool is missing (dpkg-dev, apt)"; exit 1; }
done
[ -f "$keyring" ] || { say "$keyring is missing (debian-archive-keyring)"; exit 1; }

# deb-src lines for the Debian suites this machine installs from, on the same mirrors.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
lines=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Identifier: Packages' 'Origin: Debian' 2>/dev/null \
        | sort -u | awk -v k="$keyring" '{print "deb-src [signed-by=" k "] " $1 " " $2 " main"}')
if [ -z "$lines" ]; then
  [ -n "$codename" ] || { say "no Debian suite in apt's sources and no VERSION_CODENAME in /etc/os-release"; exit 1; }
  lines="deb-src [signed-by=$keyring] http://deb.debian.org/debian/ $codename main"
fi

work=$dest/.fetch
rm -rf "$work"
mkdir -p "$work/sources.list.d" "$work/lists/partial" "$work/download"
trap 'rm -rf "$work"' EXIT
printf '%s\n' "$lines" >"$work/sources.list"
apt_options=(-q -o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/sources.list.d"
             -o "Dir::State::Lists=$work/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
log=$work/log
say "fetching $package $version from Debian's source archive"
if ! apt-get "${apt_options[@]}" update >"$log" 2>&1 || grep -q '^[WE]:' "$log"; then
  cat "$log" >&2; say "the source index could not be fetched or verified"; exit 1
fi
# Run as root, apt downloads as its own user, who may not write to a build tree; the files are
# checked against the signed index either way.
sandbox=()
if [ "$(id -u)" -eq 0 ]; then sandbox=(-o APT::Sandbox::User=root); fi
if ! (cd "$work/download" && apt-get "${apt_options[@]}" "${sandbox[@]}" source --download-only "$package=$version") >"$log" 2>&1; then
  cat "$log" >&2; say "$package $version could not be downloaded"; exit 1
fi
# The .dsc's own signature is its uploader's, whose key Debian's keyring package would add; the
# archive's signature over the index has vouched for these files already.
if ! dpkg-source -x "$work/download/${package}_${version#*:}.dsc" "$work/$package" >"$log" 2>&1; then
  cat "$log" >&2; say "dpkg-source could not unpack $package $version"; exit 1
fi
rm -rf "$dest/$package"
mv "$work/$package" "$dest/$package"
echo "$version" >"$dest/$package.version"
say "$package $version unpacked in $dest/$package"
