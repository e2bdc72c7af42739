# Media library targets. The outside components are shared libraries loaded
# by name; their sources are compiled into the targets here, so the product
# keeps loading them as before and the fuzzer sees their code.
find_package(PkgConfig REQUIRED)
pkg_check_modules(KESTREL_FUZZ_AV REQUIRED IMPORTED_TARGET libavcodec libavutil)
pkg_check_modules(KESTREL_FUZZ_AMR REQUIRED IMPORTED_TARGET opencore-amrnb)

set(kestrel_components ${PROJECT_SOURCE_DIR}/media/components)

kestrel_fuzz_target(fuzz_media_talk SOURCES fuzz_media_talk.cpp LIBS kestrel_media_talk)
kestrel_fuzz_target(fuzz_media_frame_input SOURCES fuzz_media_frame_input.cpp
                    LIBS kestrel_media_core)
kestrel_fuzz_target(fuzz_media_file_frames SOURCES fuzz_media_file_frames.cpp
                    LIBS kestrel_media_file)
kestrel_fuzz_target(fuzz_media_audio
                    SOURCES fuzz_media_audio.cpp
                            ${kestrel_components}/voice_engine/qw_voice_engine.cpp
                            ${kestrel_components}/amr_decoder/qw_amr_decoder.cpp
                    LIBS kestrel_media_audio qw_voice_engine_headers qw_amr_decoder_headers
                         PkgConfig::KESTREL_FUZZ_AMR)
target_include_directories(fuzz_media_audio PRIVATE ${kestrel_components}/g711)
kestrel_fuzz_target(fuzz_media_h264
                    SOURCES fuzz_media_h264.cpp ${kestrel_components}/h264dec/qw_h264dec.cpp
                    LIBS qw_h264dec_headers PkgConfig::KESTREL_FUZZ_AV)
