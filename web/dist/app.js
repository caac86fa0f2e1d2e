"use strict";
fetch("/api/state")
  .then((response) => response.json())
  .then((state) => {
    document.getElementById("state").textContent = "terminal " + state.terminal;
  });
