# SPDX-License-Identifier: GPL-3.0-or-later
# Sources of the WAV engine, relative to engine/. Shared by
# engine/CMakeLists.txt and the fuzzing build in fuzz/, which compiles them
# with clang on its own.
set(KORVANI_WAVE_SOURCES
  FormatChunk.cpp
  SampleRateRewrite.cpp
  WaveData.cpp
  WaveTexts.cpp
)
