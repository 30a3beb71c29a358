// CChromosome: an empty placeholder for a collection of genes (CDNA objects).
#pragma once

class CDNA;

class CChromosome {
 public:
  virtual ~CChromosome() = default;

  // Always null: a chromosome holds no genes.
  CDNA* get_dna() { return nullptr; }
  // Does nothing; the gene stays the caller's.
  void add_gene(CDNA* /*gene*/) {}
};
