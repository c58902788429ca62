#!/bin/sh
# Builds the Debian package, OUTDIR/quorvaline_<version>_<arch>.deb (OUTDIR:
# build-package unless given), with debhelper from a fresh copy of the
# sources: the files git tracks, and new ones it does not ignore, as they are
# in the work tree. Nothing of an earlier build is reused (OUTDIR is emptied
# first). The version comes from the project() line of CMakeLists.txt, the one
# place it is set; debian/changelog is written here from it. JOBS sets the
# parallel compile jobs.
set -e
cd "$(dirname "$0")/.."

out=${1:-build-package}
case "$out" in
"" | / | . | ./) echo "package.sh: refusing to empty '$out'" >&2; exit 2 ;;
esac

version=$(sh scripts/version.sh)
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)

rm -rf "$out"
src="$out/quorvaline-$version"
mkdir -p "$src"

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files --cached --others --exclude-standard |
        while IFS= read -r f; do
            if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\n' "$f"; fi
        done | tar -cf - -T - | tar -xf - -C "$src"
else
    tar --exclude='./build*' --exclude="./$out" -cf - . | tar -xf - -C "$src"
fi

# The changelog dpkg takes the package's version from, dated by the last
# commit (so that building the same commit twice gives the same package).
date=$(git log -1 --format=%aD 2>/dev/null || date -R)
cat >"$src/debian/changelog" <<CHANGELOG
quorvaline ($version) unstable; urgency=medium

  * QUORVALINE $version.

 -- $maintainer  $date
CHANGELOG

# Binary packages only, unsigned; the tests are ./dev test's business.
(cd "$src" && DEB_BUILD_OPTIONS="parallel=${JOBS:-2} nocheck" dpkg-buildpackage -b -us -uc)

deb="$out/quorvaline_${version}_$(dpkg --print-architecture).deb"
test -f "$deb"
echo "package: $deb"
