/* A library that the power test puts beside itself, where a search by bare name
   would find it before the system folder. */
__declspec(dllexport) int VqPlantedProbe(void) { return 1; }
