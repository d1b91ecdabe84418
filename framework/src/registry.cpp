// placeholder, replaced by the window registry
