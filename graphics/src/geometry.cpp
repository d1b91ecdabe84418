// placeholder, replaced by the geometry module
