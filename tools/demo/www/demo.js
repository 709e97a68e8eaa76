// Shared by the demo's pages: the call into the launcher and the answer shown to the player.
const demo = {
  // The launcher's window.external.AppLogin answers a boolean, or a Promise of it.
  appLogin(user, answerElement) {
    const show = (text) => { answerElement.textContent = text; };
    if (!window.external || typeof window.external.AppLogin !== "function") {
      show("window.external.AppLogin is missing: open this page inside the launcher.");
      return;
    }
    show("Calling AppLogin(\"" + user + "\") ...");
    const report = (answer) => {
      show("AppLogin answered " + answer);
      fetch("/demo/login/answer?user=" + encodeURIComponent(user),
            { method: "POST", body: String(answer) }).catch(() => {});
    };
    try {
      Promise.resolve(window.external.AppLogin(user)).then(report, (e) => report("error: " + e));
    } catch (e) {
      report("error: " + e);
    }
  },

  // The launcher appends "?qxtc=<token>&qxqd=<source>" to a URL that already has a query, so
  // the values are read from the raw address rather than through URLSearchParams.
  showLaunchValues(element) {
    const pick = (name) => {
      const m = location.href.match(new RegExp("[?&]" + name + "=([^&#]*)"));
      return m ? m[1] : "(absent)";
    };
    element.textContent = "token qxtc=" + pick("qxtc") + ", source qxqd=" + pick("qxqd");
  },

  pollForLogin(onUser) {
    const poll = () => {
      fetch("/demo/login/next", { cache: "no-store" })
        .then((r) => (r.status === 200 ? r.text() : null))
        .then((user) => { if (user !== null) onUser(user); })
        .catch(() => {})
        .finally(() => setTimeout(poll, 300));
    };
    poll();
  },
};
