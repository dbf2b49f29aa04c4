// LEGerror: the error the bridges' natives catch first, a COLerror that also carries named
// text parameters, kept in key order. LEGerrorFrom turns any caught COLerror into one for
// the handlers that raise Java exceptions, keeping the parameters when it already is one.
#pragma once

#include "COL/COLerror.h"
#include "COL/COLmap.h"
#include "COL/COLstring.h"

class COLostream;

class LEGerror : public COLerror {
public:
  typedef COLmap<COLstring, COLstring, COLmapCompare<COLstring>> ParameterMap;

  // No source file, line 0, no parameters.
  LEGerror(const COLstring& Description, int Code);
  // The COLerror part copied (the code replaced in the second); no parameters.
  explicit LEGerror(const COLerror& Error);
  LEGerror(const COLerror& Error, int Code);
  // The COLerror part and every parameter copied (the code replaced in the second).
  LEGerror(const LEGerror& Error);
  LEGerror(const LEGerror& Error, int Code);
  ~LEGerror() override;

  using COLerror::operator=;
  using COLerror::operator==;
  LEGerror& operator=(const LEGerror& Error) { return assign(Error); }
  // The COLerror part, then the other's parameters in place of its own.
  virtual LEGerror& assign(const LEGerror& Error);
  // Same code, description and parameters (names and values); file and line do not count.
  virtual bool equals(const LEGerror& Error) const;

  int countOfParameter() const { return static_cast<int>(m_Parameters.size()); }
  COLavlNode* firstParameter() const { return m_Parameters.first(); }
  COLavlNode* nextParameter(const COLavlNode* Place) const { return m_Parameters.next(Place); }
  const COLstring& parameterName(const COLavlNode* Place) const { return m_Parameters.key(Place); }
  const COLstring& parameterValue(const COLavlNode* Place) const { return m_Parameters.value(Place); }
  // The name at an index in key order; an index outside 0 to count - 1 raises a COLerror.
  const COLstring& parameterName(int Index) const;

  // Replaces the value of a present name, or adds the name.
  void setParameter(const COLstring& Name, const COLstring& Value);
  // The number in decimal, a negative one as its unsigned 32-bit value.
  void setParameter(const COLstring& Name, int Value);
  bool hasParameter(const COLstring& Name) const { return m_Parameters.find(Name) != nullptr; }
  // The value of the name, which is added with an empty value when missing.
  COLstring& parameter(const COLstring& Name);

private:
  void copyParameters(const LEGerror& Error);

  ParameterMap m_Parameters;
};

// The COLerror lines, then one "name: value" line per parameter in key order.
COLostream& operator<<(COLostream& Stream, const LEGerror& Error);

// The LEGerror a native's handler raises for a caught COLerror: a copy of it when it is
// an LEGerror already (parameters kept), else one made from its COLerror part.
LEGerror LEGerrorFrom(const COLerror& Error);
