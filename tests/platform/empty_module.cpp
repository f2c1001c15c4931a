// A loadable module without the exports of a COM server.
extern "C" int QuorbelEmptyModule() {
  return 0;
}
