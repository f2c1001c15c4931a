/* Frame-hook plug-ins: shared objects named by the "vhook" option and run on decoded video
 * frames, in the decoder's own pixel format, before they are encoded.
 *
 * A plug-in exports three functions with C linkage under exactly these names:
 *
 *   int  Configure(void** context, int argc, char** argv);
 *   void Process(void* context, QuorbelVhookPicture* picture, int pixelFormat, int width,
 *                int height, int64_t ptsUs);
 *   void Release(void* context);
 *
 * "Process" is required. "Configure" is called once per "vhook" option with argv[0] = the module
 * file name and the option's further arguments; it may store its own state in *context and
 * returns 0 on success. It is required when arguments are given. The argument strings stay valid
 * until "Release" is called. "Process" changes the picture in place; pixelFormat is a value of the
 * libraries' enum AVPixelFormat and ptsUs the frame's input time in microseconds. "Release"
 * (optional) frees the context at the end of the job.
 *
 * A module file is loaded once per process and stays loaded; adding it twice gives two
 * independent contexts. Plug-ins find libraries they depend on through their own run path
 * (for example $ORIGIN); the engine does not change the working directory or PATH for them.
 * Define QUORBEL_VHOOK_PLUGIN before including this header in a plug-in to get the prototypes.
 */
#ifndef QUORBEL_VHOOK_H
#define QUORBEL_VHOOK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One picture: up to four planes with their line sizes in bytes. */
typedef struct QuorbelVhookPicture {
  uint8_t* data[4];
  int linesize[4];
} QuorbelVhookPicture;

typedef int (*QuorbelVhookConfigure)(void** context, int argc, char** argv);
typedef void (*QuorbelVhookProcess)(void* context, QuorbelVhookPicture* picture, int pixelFormat, int width,
                                    int height, int64_t ptsUs);
typedef void (*QuorbelVhookRelease)(void* context);

#ifdef QUORBEL_VHOOK_PLUGIN
__attribute__((visibility("default"))) int Configure(void** context, int argc, char** argv);
__attribute__((visibility("default"))) void Process(void* context, QuorbelVhookPicture* picture,
                                                    int pixelFormat, int width, int height, int64_t ptsUs);
__attribute__((visibility("default"))) void Release(void* context);
#endif

#ifdef __cplusplus
}
#endif

#endif /* QUORBEL_VHOOK_H */
