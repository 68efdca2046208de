// Keeps a subsystem library linkable while its folder has no sources yet.
