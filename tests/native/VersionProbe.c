/* A library that only carries a version resource, or none, for the
   file-version comparisons. */
__declspec(dllexport) int versionProbe(void) { return 0; }
