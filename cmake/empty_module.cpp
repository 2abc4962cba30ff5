// Placeholder translation unit for a library layer that has no sources of its own.
