// Log levels. The engine speaks in its own numeric levels (-1 the message of an exception that
// ended a job, 0 errors and warnings, 1 notices, 2 debug, 3 everything); the libraries of
// FFmpeg 5.1 use AV_LOG_* values. This file converts between the two and keeps the cached level
// the library log callback filters by.
#pragma once

namespace quorbel::binding {

// Engine level -> AV_LOG_* value.
int ToAvLogLevel(int engineLevel);
// AV_LOG_* value -> engine level.
int FromAvLogLevel(int avLevel);

// Sets the libraries' log level from an engine level and re-reads it into the cache.
void SetLibraryLogLevel(int engineLevel);
// Re-reads the libraries' level into the cache (after loading).
void RefreshCachedLogLevel();
// The cached level, in engine units; lines above it are dropped by the log callback.
int CachedLogLevel();

}  // namespace quorbel::binding
