// sunder: splits multi-channel strong-motion data volumes into single-channel files.
int main() { return 0; }
