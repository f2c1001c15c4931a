# The FFmpeg 5.1 libraries through pkg-config, as one imported target quorbel::ffmpeg.
find_package(PkgConfig REQUIRED)
pkg_check_modules(AVFORMAT REQUIRED IMPORTED_TARGET libavformat>=59)
pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec>=59)
pkg_check_modules(AVUTIL REQUIRED IMPORTED_TARGET libavutil>=57)
pkg_check_modules(SWSCALE REQUIRED IMPORTED_TARGET libswscale>=6)
pkg_check_modules(SWRESAMPLE REQUIRED IMPORTED_TARGET libswresample>=4)

add_library(quorbel_ffmpeg INTERFACE)
target_link_libraries(quorbel_ffmpeg INTERFACE PkgConfig::AVFORMAT PkgConfig::AVCODEC PkgConfig::AVUTIL
                                               PkgConfig::SWSCALE PkgConfig::SWRESAMPLE)
add_library(quorbel::ffmpeg ALIAS quorbel_ffmpeg)
