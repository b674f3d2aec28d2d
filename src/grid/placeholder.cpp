// Placeholder until the layer's sources land.
