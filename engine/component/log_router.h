// Routing of the libraries' log lines to the components and the jobs that caused them. The
// libraries have one process-wide log callback; it finds, in every registered component, the
// running job whose thread wrote the line.
#pragma once

#include <cstdarg>

namespace quorbel {

class TCustomTranscoder;

namespace log_routing {

// Every component registers while it lives. Unregister returns once no line is being delivered
// to the component any more.
void Register(TCustomTranscoder& component);
void Unregister(TCustomTranscoder& component);

// Makes LibraryLogCallback the libraries' log callback.
void InstallLogCallback();

// Forgets the held text of every thread.
void ClearPendingText();

// Drops lines above the cached library level, prefixes a thread's first text with the context
// ("[item @ 0000ABCD]"), holds text up to its "\n" per thread (TLogList) and hands each complete
// line to every registered component.
void LibraryLogCallback(void* context, int level, const char* format, va_list args);

}  // namespace log_routing
}  // namespace quorbel
