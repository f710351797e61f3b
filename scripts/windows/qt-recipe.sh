# How the static Qt for Windows is made from Debian's own source: sourced by windows.sh.
# The cache key is a hash of this file and the toolchain file, so any change here builds anew.

qt_version=6.4.2
qt_source_package=qt6-base

# Everything the program and its tests use (Core, Gui, Widgets, Test, the windows and
# minimal platforms, the ico/jpeg/gif image formats, the windowsvista style) and nothing else.
qt_configure_options=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DBUILD_SHARED_LIBS=OFF
    -DFEATURE_static_runtime=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DINPUT_opengl=no
    -DFEATURE_vulkan=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    # Debian's source drops the third-party tablet header this needs.
    -DFEATURE_tabletevent=OFF
    -DFEATURE_freetype=OFF
    -DFEATURE_fontconfig=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_androiddeployqt=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_testlib=ON
)

# Host packages the cross build of Qt needs besides the cross compiler.
qt_build_packages=(dpkg-dev perl python3 xz-utils)

# With Direct2D off, the windows platform plugin still creates the DirectWrite font
# database, which is only built with Direct2D: the link fails without this.
qt_patch_source() {
    local file=src/plugins/platforms/windows/qwindowsintegration.cpp
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$file"
    [ "$(grep -c '^#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)$' "$file")" -eq 2 ] || {
        echo "error: the DirectWrite patch did not apply to $file" >&2
        return 1
    }
}
