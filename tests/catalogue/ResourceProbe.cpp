// An executable that carries the setup's full resource set (manifest, icon, version record, string
// tables) and does nothing: catalogue_resources_test reads its resources as data, never runs it,
// because its manifest asks for elevation.
int main() {
    return 0;
}
